#pragma once

#include <neaacdec.h>

#include <memory>
#include <type_traits>

namespace klonkel::faad {

struct Closer
{
    void operator()(void *decoder) const { NeAACDecClose(decoder); }
};
// libfaad's decoder handle is a bare pointer; this owns it.
using Decoder = std::unique_ptr<std::remove_pointer_t<NeAACDecHandle>, Closer>;

} // namespace klonkel::faad
