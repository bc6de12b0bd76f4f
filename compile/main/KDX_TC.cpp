#include "compile/CompilerDriver.h"
int main(int argc, char** argv) { return kdx::RunCompiler(argc, argv); }
