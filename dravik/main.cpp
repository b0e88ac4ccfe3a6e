// The Dravik program.
#include "Dravik.h"

int main(int argc, char** argv) { return dravik_main(argc, argv); }
