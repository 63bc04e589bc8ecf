// Entry point of the KV 2007 demo: the whole run is demoMain().
#include <SDL_main.h>  // on Windows, SDL's WinMain calls this main (as SDL_main)

#include "shell/demo.h"

int main(int, char**) { return demoMain(); }
