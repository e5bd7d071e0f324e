// A program with a load configuration made as Quorvel.exe's is, with the
// DependentLoadFlags the build passes in: the load-configuration check
// must refuse it without the directory entry or without the system-folder
// flag. Built, never run.
#include <windows.h>

#include "app/load_configuration.h"

extern "C" [[gnu::used]] constinit const IMAGE_LOAD_CONFIG_DIRECTORY64 _load_config_used =
    quorvel::windows::load_configuration(SAMPLE_DEPENDENT_LOAD_FLAGS);

int main() { return 0; }
