#include "writer/pack_main.h"

int main(int argc, char **argv) { return packMain(argc, argv); }
