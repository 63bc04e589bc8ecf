// Entry point of the KV 2007 demo: the whole run is demoMain().
#include "shell/demo.h"

int main(int, char**) { return demoMain(); }
