#pragma once
// Whole-file replacement that a reader never sees half done: the new contents go to a
// temporary file in the same directory, are flushed to disk, and are renamed over the old
// file in one step. A crash or a failure at any point leaves the old file or the new one.

#include <cstddef>
#include <string>

namespace os {

// Returns false on any failure; the old file (if any) is then untouched and no temporary is left.
bool replace_file_atomically(const std::string& path, const void* data, std::size_t size);

// The same without flushing to the disk (contents reach the page cache only); for comparisons in benchmarks.
bool replace_file_atomically_unsynced(const std::string& path, const void* data, std::size_t size);

namespace detail {
// The platform's part: write a temporary beside `path`, optionally flush it to the disk, rename it over `path`.
bool replace_file(const std::string& path, const void* data, std::size_t size, bool sync);
} // namespace detail

} // namespace os
