// quellorn-artgen: draws the editor's twelve images and writes them as PNG files.
//
//   quellorn-artgen OUTDIR                  the images, named as under resources/img
//   quellorn-artgen --preview FILE [ZOOM [X Y W H]]  the whole editor with its controls
//                                           laid over, or a part of it
//   quellorn-artgen --zoom ID FILE ZOOM     one image enlarged, to look at details
#include "tools/artgen/ArtImages.h"
#include "tools/artgen/ArtPreview.h"

#include "raster/PngCodec.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

bool WritePng(const IRaster& image, const std::string& path)
{
    const std::vector<unsigned char> bytes = PngCodec::Encode(image);
    std::ofstream file(path, std::ios::binary);
    if (bytes.empty() || !file.write(reinterpret_cast<const char*>(bytes.data()),
                                     static_cast<std::streamsize>(bytes.size()))) {
        std::fprintf(stderr, "quellorn-artgen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

int Usage()
{
    std::fprintf(stderr, "usage: quellorn-artgen OUTDIR\n"
                         "       quellorn-artgen --preview FILE [ZOOM [X Y W H]]\n"
                         "       quellorn-artgen --zoom ID FILE ZOOM\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--preview") == 0) {
        const int zoom = argc >= 4 ? std::atoi(argv[3]) : 1;
        IRaster picture = ArtPreview::Compose();
        if (argc >= 8)
            picture = ArtPreview::Crop(picture, std::atoi(argv[4]), std::atoi(argv[5]),
                                       std::atoi(argv[6]), std::atoi(argv[7]));
        return WritePng(ArtPreview::Enlarge(picture, zoom), argv[2]) ? 0 : 1;
    }
    if (argc >= 5 && std::strcmp(argv[1], "--zoom") == 0) {
        const IRaster image = ArtImages::DrawArtImage(std::atoi(argv[2]));
        if (image.Width() == 0)
            return Usage();
        return WritePng(ArtPreview::Enlarge(image, std::atoi(argv[4])), argv[3]) ? 0 : 1;
    }
    if (argc != 2 || argv[1][0] == '-')
        return Usage();
    for (const ArtImages::ImageInfo& info : ArtImages::kImages) {
        if (!WritePng(ArtImages::DrawArtImage(info.id), std::string(argv[1]) + "/" + info.file))
            return 1;
    }
    return 0;
}
