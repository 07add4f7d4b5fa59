#ifndef LIDGLOW_DECODE_DECODER_H
#define LIDGLOW_DECODE_DECODER_H

#include "decoder/decode_reply.h"

// Decodes the picture at path into a frame for display_flags in the
// decoder program, which runs contained and under limits, so that a hostile
// file can neither take over nor exhaust this process, nor reach anything
// else. On failure, which is reported here in one line, the reply holds
// the status and no frame.
decode_reply decode_picture(const char *path, int display_flags);

#endif
