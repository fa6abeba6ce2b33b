// `velomar-tray`, the tray program, which `velomar` starts when no job is asked for.
#include "shell/TrayProgram.h"

int main(int argc, char** argv) {
    TrayProgram program(argc, argv);
    return program.run();
}
