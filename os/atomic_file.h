#pragma once
// Whole-file replacement that a reader never sees half done: the new contents go to a
// temporary file in the same directory, are flushed to disk, and are renamed over the old
// file in one step (and the directory is flushed, so the rename survives a power cut). A crash
// or a failure at any point leaves the old file or the new one.
//
// What the user set on the file is kept: its permission bits (and owner, where the process may
// set it), and a symbolic link, whose target is replaced while the link stays. A file without
// write permission is not replaced. Where no temporary can be made beside the file (a writable
// file in a read-only directory), the file is rewritten in place instead, without the atomicity.

#include <cstddef>
#include <string>

namespace os {

// Returns false on any failure; no temporary is left, and the old file (if any) is untouched,
// except after a failed in-place rewrite (the read-only directory case), which has no old copy.
bool replace_file_atomically(const std::string& path, const void* data, std::size_t size);

// The same without flushing to the disk (contents reach the page cache only); for comparisons in benchmarks.
bool replace_file_atomically_unsynced(const std::string& path, const void* data, std::size_t size);

namespace detail {
// The platform's part of the rules above; `sync` flushes the data (and the directory) to the disk.
bool replace_file(const std::string& path, const void* data, std::size_t size, bool sync);
} // namespace detail

} // namespace os
