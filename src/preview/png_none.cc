#include "preview/picture_file.h"

// This build found no libpng, so PNG files cannot be written; PBM still can.
bool write_png(std::FILE *, const lcm_transfer &, std::string &error)
{
    error = "this lidglow-preview was built without libpng; write a .pbm file instead";
    return false;
}
