#include "app/Application.h"
#include "app/Version.h"

#include <iostream>

int main(int argc, char** argv) {
    try {
        Application application(argc, argv);
        if (application.options().hasOption("-version")) {
            std::cout << Version::text() << '\n';
            return 0;
        }
        std::cerr << "usage: velomar --version\n";
        return 2;
    } catch (const std::exception& failure) {
        std::cerr << "velomar: " << failure.what() << '\n';
        return 1;
    }
}
