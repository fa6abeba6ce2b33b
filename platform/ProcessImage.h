#pragma once

#include <filesystem>

namespace Platform {

/// Runs `executable` in place of this process, which keeps its id, its open files and its
/// environment. `arguments` are the whole command line, ended by a null pointer. With
/// `largeHeapPages` its heap is mapped in the system's large pages (see below). Returns only
/// when it could not: the system's error number.
int replaceProcessImage(const std::filesystem::path& executable, char* const* arguments,
                        bool largeHeapPages);

/// Large heap pages: a process that loads 100 000 messages fills some 50 MiB of heap, and
/// mapping that in small pages, one fault each, takes the system longer than the loading
/// itself. The C library maps its heap in large pages instead when the process starts with its
/// setting for that in the environment; a running process cannot switch, so the program starts
/// its tray program, or itself again, that way. True when this process was started so, or with
/// library settings of the user's own, which are left as they are (and to which nothing is
/// added). Takes the setting out of the environment again, so that what the process starts runs
/// as it would anyway; call it first thing.
bool takeLargeHeapPagesSetting();

} // namespace Platform
