#include <cstring>
#include <iostream>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "Version " VELOMAR_VERSION " (build " << VELOMAR_BUILD_NUMBER << ")\n";
        return 0;
    }
    std::cerr << "usage: velomar --version\n";
    return 1;
}
