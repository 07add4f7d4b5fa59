#include "render/sdl_loader.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <dlfcn.h>

#include <SDL_error.h>
#include <SDL_ttf.h>
#include <SDL_video.h>

// The build names the libraries by their sonames, which differ between
// systems.
#if !defined(LIDGLOW_SDL_SONAME) || !defined(LIDGLOW_SDL_TTF_SONAME)
#error "the build defines LIDGLOW_SDL_SONAME and LIDGLOW_SDL_TTF_SONAME"
#endif

namespace {

// The library functions that lidglow calls, and nothing more.
struct sdl_functions {
    decltype(&TTF_Init) ttf_init;
    decltype(&TTF_OpenFontIndexRW) ttf_open_font_index_rw;
    decltype(&TTF_FontHeight) ttf_font_height;
    decltype(&TTF_SetFontStyle) ttf_set_font_style;
    decltype(&TTF_SizeUTF8) ttf_size_utf8;
    decltype(&TTF_RenderUTF8_Shaded) ttf_render_utf8_shaded;
    decltype(&TTF_CloseFont) ttf_close_font;
    decltype(&SDL_GetError) get_error;
    decltype(&SDL_SetError) set_error;
    decltype(&SDL_RWFromFP) rw_from_fp;
    decltype(&SDL_FreeSurface) free_surface;
    decltype(&SDL_LockSurface) lock_surface;
    decltype(&SDL_UnlockSurface) unlock_surface;
    decltype(&SDL_GetRGB) get_rgb;
    decltype(&SDL_GetRGBA) get_rgba;
};

struct sdl_state {
    bool tried = false;
    bool loaded = false;
    int failure_errno = 0;
    char failure[512] = ""; // SDL_GetError's text while nothing is loaded
    sdl_functions functions = {};
};

sdl_state state;

template <typename F>
bool resolve(void *library, const char *name, F &function)
{
    function = reinterpret_cast<F>(dlsym(library, name));
    return function != nullptr;
}

bool fail(int error)
{
    const char *reason = dlerror();
    std::snprintf(state.failure, sizeof state.failure, "%s%s", SDL_LOAD_FAILURE,
                  reason != nullptr ? reason : "unknown reason");
    state.failure_errno = error;
    return false;
}

// SDL first, so that SDL_ttf finds the very library whose functions are
// resolved here. Lazy binding, as when the program linked them, binds only
// the functions a run calls.
bool load()
{
    void *sdl = dlopen(LIDGLOW_SDL_SONAME, RTLD_LAZY | RTLD_LOCAL);
    if (sdl == nullptr)
        return fail(ENOENT);
    void *ttf = dlopen(LIDGLOW_SDL_TTF_SONAME, RTLD_LAZY | RTLD_LOCAL);
    if (ttf == nullptr)
        return fail(ENOENT);
    sdl_functions &f = state.functions;
    const bool resolved = resolve(ttf, "TTF_Init", f.ttf_init) &&
                          resolve(ttf, "TTF_OpenFontIndexRW", f.ttf_open_font_index_rw) &&
                          resolve(ttf, "TTF_FontHeight", f.ttf_font_height) &&
                          resolve(ttf, "TTF_SetFontStyle", f.ttf_set_font_style) &&
                          resolve(ttf, "TTF_SizeUTF8", f.ttf_size_utf8) &&
                          resolve(ttf, "TTF_RenderUTF8_Shaded", f.ttf_render_utf8_shaded) &&
                          resolve(ttf, "TTF_CloseFont", f.ttf_close_font) &&
                          resolve(sdl, "SDL_GetError", f.get_error) &&
                          resolve(sdl, "SDL_SetError", f.set_error) &&
                          resolve(sdl, "SDL_RWFromFP", f.rw_from_fp) &&
                          resolve(sdl, "SDL_FreeSurface", f.free_surface) &&
                          resolve(sdl, "SDL_LockSurface", f.lock_surface) &&
                          resolve(sdl, "SDL_UnlockSurface", f.unlock_surface) &&
                          resolve(sdl, "SDL_GetRGB", f.get_rgb) &&
                          resolve(sdl, "SDL_GetRGBA", f.get_rgba);
    return resolved || fail(EINVAL);
}

// The functions, loaded at the first call; nullptr when they could not be.
const sdl_functions *loaded()
{
    if (!state.tried) {
        state.tried = true;
        state.loaded = load();
    }
    return state.loaded ? &state.functions : nullptr;
}

} // namespace

extern "C" {

int TTF_Init(void)
{
    const sdl_functions *f = loaded();
    if (f == nullptr) {
        errno = state.failure_errno;
        return -1;
    }
    return f->ttf_init();
}

TTF_Font *TTF_OpenFontIndexRW(SDL_RWops *src, int freesrc, int ptsize, long index)
{
    const sdl_functions *f = loaded();
    return f != nullptr ? f->ttf_open_font_index_rw(src, freesrc, ptsize, index) : nullptr;
}

int TTF_FontHeight(const TTF_Font *font)
{
    const sdl_functions *f = loaded();
    return f != nullptr ? f->ttf_font_height(font) : 0;
}

void TTF_SetFontStyle(TTF_Font *font, int style)
{
    if (const sdl_functions *f = loaded())
        f->ttf_set_font_style(font, style);
}

int TTF_SizeUTF8(TTF_Font *font, const char *text, int *w, int *h)
{
    const sdl_functions *f = loaded();
    return f != nullptr ? f->ttf_size_utf8(font, text, w, h) : -1;
}

SDL_Surface *TTF_RenderUTF8_Shaded(TTF_Font *font, const char *text, SDL_Color fg, SDL_Color bg)
{
    const sdl_functions *f = loaded();
    return f != nullptr ? f->ttf_render_utf8_shaded(font, text, fg, bg) : nullptr;
}

void TTF_CloseFont(TTF_Font *font)
{
    if (const sdl_functions *f = loaded())
        f->ttf_close_font(font);
}

char *SDL_GetError(void)
{
    const sdl_functions *f = loaded();
    return f != nullptr ? f->get_error() : state.failure;
}

void SDL_SetError(const char *fmt, ...)
{
    char message[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(message, sizeof message, fmt, args);
    va_end(args);
    if (const sdl_functions *f = loaded())
        f->set_error("%s", message);
    else
        std::snprintf(state.failure, sizeof state.failure, "%s", message);
}

SDL_RWops *SDL_RWFromFP(FILE *fp, int autoclose)
{
    const sdl_functions *f = loaded();
    return f != nullptr ? f->rw_from_fp(fp, autoclose) : nullptr;
}

void SDL_FreeSurface(SDL_Surface *surface)
{
    if (const sdl_functions *f = loaded())
        f->free_surface(surface);
}

int SDL_LockSurface(SDL_Surface *surface)
{
    const sdl_functions *f = loaded();
    return f != nullptr ? f->lock_surface(surface) : -1;
}

void SDL_UnlockSurface(SDL_Surface *surface)
{
    if (const sdl_functions *f = loaded())
        f->unlock_surface(surface);
}

void SDL_GetRGB(Uint32 pixel, const SDL_PixelFormat *const fmt, Uint8 *r, Uint8 *g, Uint8 *b)
{
    if (const sdl_functions *f = loaded())
        f->get_rgb(pixel, fmt, r, g, b);
    else
        *r = *g = *b = 0;
}

void SDL_GetRGBA(Uint32 pixel, const SDL_PixelFormat *const fmt, Uint8 *r, Uint8 *g, Uint8 *b, Uint8 *a)
{
    if (const sdl_functions *f = loaded())
        f->get_rgba(pixel, fmt, r, g, b, a);
    else
        *r = *g = *b = *a = 0;
}

} // extern "C"
