// The editor's PNG images as this module carries them: Windows resources of type PNG read
// through the module's own handle, or bytes compiled in where there are no resources. CMake
// picks one implementation per platform. The bytes stay valid until the module unloads.
// Any thread: nothing here is written after the module is loaded.
#pragma once

#include <cstddef>

// The PNG file with resource id `id`; false (bytes and size untouched) when the module has none.
bool FindImageResource(int id, const unsigned char*& bytes, std::size_t& size);
