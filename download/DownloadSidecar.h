// The resume record beside the image: the full remote size, as one XML value.
#pragma once

#include <boost/filesystem/path.hpp>
#include <cstdint>

// Replaces `path` with the record of `fullSize`, the number written under the global locale.
// Throws the XML writer's error when the file cannot be written.
void WriteSidecar(const boost::filesystem::path& path, std::int64_t fullSize);

// The recorded full size. Throws the XML reader's error for a file that cannot be read or parsed,
// the tree's error for a missing value or one that is not a number. A number grouped under
// another locale than the current one (the user changed the settings) still reads.
std::int64_t ReadSidecar(const boost::filesystem::path& path);
