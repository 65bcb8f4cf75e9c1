// Hands a list of font resources to the PE writer.
#pragma once

#include "font_resource.h"
#include "pe_writer.h"

#include <string>
#include <vector>

namespace kav::font {

// Adds every resource; on a refusal stops and returns false with the
// refused resource's TYPE.NAME in *refused.
bool AddFontResources(PeWriter &writer, const std::vector<FontResource> &resources, std::string *refused);

}  // namespace kav::font
