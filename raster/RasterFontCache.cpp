#include "raster/RasterFontCache.h"

#include "raster/FreeTypeFont.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace {

struct Cache {
    std::mutex lock;
    // Fonts never move or die while the library is loaded: callers keep the pointers.
    std::vector<std::unique_ptr<RasterFont>> fonts;
};

// Made on first use, destroyed when the library unloads (with every font in it).
Cache& TheCache()
{
    static Cache cache;
    return cache;
}

bool SameFace(const char* a, const char* b)
{
    return std::strncmp(a, b, RasterFontKey::kFaceSize) == 0;
}

} // namespace

namespace RasterFontCache {

RasterFont* Get(const RasterFontKey& key)
{
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> hold(cache.lock);
    for (const auto& font : cache.fonts) {
        const RasterFontKey& k = font->Key();
        if (k.pixelHeight == key.pixelHeight && k.orientation == key.orientation
            && k.bold == key.bold && k.italic == key.italic && SameFace(k.face, key.face))
            return font.get();
    }
    std::unique_ptr<RasterFont> made = FreeTypeFont::Create(key);
    if (!made)
        return nullptr;
    cache.fonts.push_back(std::move(made));
    return cache.fonts.back().get();
}

std::size_t Count()
{
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> hold(cache.lock);
    return cache.fonts.size();
}

} // namespace RasterFontCache
