// fcview: F&C's pictures and archives on the command line.
#include "fcview/commands.h"

int main(int argc, char** argv) { return fcview::Main(argc, argv); }
