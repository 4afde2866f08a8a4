// The first local file named by a text/uri-list, as dragged from file managers: lines of
// URIs, '#' lines being comments, each file:// URI percent-encoded.
#pragma once

#include <string>

// The decoded path of the first file:// URI (with an empty or "localhost" host); empty
// when the list names no local file or a name is badly encoded or holds a NUL.
std::string FirstFileInUriList(const std::string& list);
