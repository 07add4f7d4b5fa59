#ifndef LIDGLOW_RENDER_SDL_LOADER_H
#define LIDGLOW_RENDER_SDL_LOADER_H

// lidglow loads SDL and SDL_ttf only when text output first needs them, so
// that the control options, -k and pictures (whose decoder is a program of
// its own) run without a graphics stack and the dozens of libraries it
// brings. sdl_loader.cc, linked into lidglow alone, defines the few SDL and
// SDL_ttf functions that the program calls: the first call of any of them
// loads both libraries, and each forwards to the library's own function.
// The libraries stay loaded for the life of the process, so a daemon loads
// them once. The preview, the decoder and the tests link the libraries.
//
// A failed load makes TTF_Init fail, as text output expects of it: errno is
// ENOENT when a library cannot be loaded and EINVAL when it lacks a
// function, and SDL_GetError gives this prefix and the loader's reason.
constexpr char SDL_LOAD_FAILURE[] = "Cannot load SDL_ttf: ";

#endif
