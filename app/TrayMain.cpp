// `velomar-tray`, the tray program, which `velomar` starts when no job is asked for.
#include "platform/HeapSettings.h"
#include "platform/ProcessImage.h"
#include "shell/TrayProgram.h"

int main(int argc, char** argv) {
    Platform::takeLargeHeapPagesSetting();
    Platform::returnLargeBlocksToTheSystem();
    TrayProgram program(argc, argv);
    return program.run();
}
