#ifndef LIDGLOW_DECODER_PICTURE_GUARD_H
#define LIDGLOW_DECODER_PICTURE_GUARD_H

#include <SDL_rwops.h>

#include <string>

// False, with the reason, for a picture whose header makes SDL_image read
// past its buffers without failing: such a picture would be shown with
// whatever memory lies beyond them. Faults that stop the decoder need no
// guard; the decoding child contains them. The stream is left where it was.
bool picture_header_safe(SDL_RWops *source, std::string &why);

#endif
