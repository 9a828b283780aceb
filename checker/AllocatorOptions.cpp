// jemalloc's options, which it reads from this name when it starts. One
// arena: texts are made on one thread and let go on another, and an arena
// for each thread held what the other had freed, 4 MiB more at the peak on
// a large compiled file, for no time saved.
extern "C" {
extern const char* malloc_conf;
const char* malloc_conf = "narenas:1";
}
