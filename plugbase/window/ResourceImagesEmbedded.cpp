// Builds without Windows resources: the images are the table cmake/EditorImages.cmake has
// compiled in from the list in resources/Quellorn.rc.
#include "plugbase/window/ResourceImages.h"

#include "raster/EmbeddedFile.h"

namespace EditorImages {
extern const EmbeddedFile kFiles[];
extern const std::size_t kFileCount;
} // namespace EditorImages

bool FindImageResource(int id, const unsigned char*& bytes, std::size_t& size)
{
    const EmbeddedFile* file = FindEmbeddedFile(EditorImages::kFiles, EditorImages::kFileCount, id);
    if (!file)
        return false;
    bytes = file->data;
    size = file->size;
    return true;
}
