#ifndef VDISPLAY_CLAIM_LOCK_H
#define VDISPLAY_CLAIM_LOCK_H

// Shared by vdisplay and the claim shim that it preloads: see claim_shim.cc.

namespace vdisplay {

// Added to the interface number of a claim whose interface another open
// file holds.
constexpr unsigned CLAIM_HELD_ELSEWHERE = 0x80000000u;

}  // namespace vdisplay

#endif
