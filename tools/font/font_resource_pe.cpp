#include "font_resource_pe.h"

namespace kav::font {
namespace {

ResourceId ToId(const ResourceKey &key) { return key.IsNamed() ? ResourceId(key.text) : ResourceId(key.id); }

}  // namespace

bool AddFontResources(PeWriter &writer, const std::vector<FontResource> &resources, std::string *refused) {
    for (const FontResource &r : resources) {
        if (!writer.Add(ToId(r.type), ToId(r.name), r.bytes)) {
            if (refused != nullptr) *refused = r.type.Spelling() + "." + r.name.Spelling();
            return false;
        }
    }
    return true;
}

}  // namespace kav::font
