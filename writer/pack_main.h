// The whole of pellux-pack, given its arguments as UTF-8; the exit code.
#ifndef PELLUX_WRITER_PACK_MAIN_H
#define PELLUX_WRITER_PACK_MAIN_H

int packMain(int argc, char **argv);

#endif
