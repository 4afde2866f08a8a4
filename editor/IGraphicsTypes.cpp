#include "editor/IGraphicsTypes.h"

#include <algorithm>

IBox IBox::Union(const IBox& other) const
{
    if (Empty())
        return other;
    if (other.Empty())
        return *this;
    return {std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
            std::max(bottom, other.bottom)};
}

bool IBox::Overlaps(const IBox& b) const
{
    return !Empty() && !b.Empty() && b.left < right && left < b.right && b.top < bottom &&
           top < b.bottom;
}

IBox IBox::Intersect(const IBox& b) const
{
    if (!Overlaps(b))
        return {};
    return {std::max(left, b.left), std::max(top, b.top), std::min(right, b.right),
            std::min(bottom, b.bottom)};
}

ITextStyle MakeTextStyle(const char* face, int size, const IArgb& colour, int alignment)
{
    ITextStyle style;
    int i = 0;
    for (; face && face[i] && i < ITextStyle::kFaceSize - 1; ++i)
        style.face[i] = face[i];
    style.face[i] = '\0';
    style.size = size;
    style.colour = colour;
    style.alignment = alignment;
    return style;
}
