// vidrune-grab: a host program for the Vidrune plug-in.
#include "tools/GrabTool.h"

#include <iostream>

int main(int argc, char** argv) {
    return vidrune::tool::GrabTool(std::cout, std::cerr).Run(argc, argv);
}
