#include "app/Program.h"

int main(int argc, char** argv) { return kb::RunProgram(argc, argv); }
