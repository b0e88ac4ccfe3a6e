// The Solmet program.
#include "Solmet.h"

int main(int argc, char** argv) { return solmet_main(argc, argv); }
