#include "library/binary_buffer.h"

#include <algorithm>
#include <cstring>

namespace lib {

void InputBinaryBuffer::attach(const char* bytes, std::int32_t count) {
    data.assign(bytes, bytes + (count > 0 ? count : 0));
    end_reached = position >= static_cast<std::int64_t>(data.size()); // the position stays
}

void InputBinaryBuffer::set_position(std::int64_t p) {
    // A skip past the end (a block size from the data) stops at the end, so the position always
    // fits its 32 bits and never wraps to a negative index.
    const auto size = static_cast<std::int64_t>(data.size());
    position = static_cast<std::int32_t>(std::min(p, size));
    end_reached = position >= size;
}

void InputBinaryBuffer::read_bytes(void* destination, std::int32_t count) {
    if (at_end())
        return;
    if (count < 0 || count > remaining())
        throw buffer_error("read beyond the end of the data");
    if (count > 0) // a null destination is allowed for nothing to copy
        std::memcpy(destination, data.data() + position, static_cast<std::size_t>(count));
    set_position(static_cast<std::int64_t>(position) + count);
}

char InputBinaryBuffer::read_char() {
    if (at_end())
        throw buffer_error("read beyond the end of the data");
    char c = data[static_cast<std::size_t>(position)];
    set_position(static_cast<std::int64_t>(position) + 1);
    return c;
}

void InputBinaryBuffer::read_string(std::string& text) {
    text.clear();
    for (;;) {
        char c = read_char();
        if (c == '\0' || at_end())
            return;
        text += c;
    }
}

bool InputBinaryBuffer::begin_block(std::int32_t key) {
    set_position(0);
    while (!at_end()) {
        std::int32_t k = 0;
        std::int32_t size = 0;
        // A header cut short or a size pointing outside the data ends the search.
        if (remaining() < 8)
            break;
        read(k);
        read(size);
        if (k == key)
            return true;
        if (size < 0)
            break;
        set_position(static_cast<std::int64_t>(position) + size);
    }
    set_position(static_cast<std::int64_t>(data.size()));
    return false;
}

void OutputBinaryBuffer::write_bytes(const void* bytes, std::size_t count) {
    auto* p = static_cast<const char*>(bytes);
    data.insert(data.end(), p, p + count);
}

void OutputBinaryBuffer::write_string(const std::string& text) {
    if (text.find('\0') != std::string::npos)
        throw buffer_error("a text with a zero byte cannot be written");
    write_bytes(text.data(), text.size());
    data.push_back('\0');
}

bool OutputBinaryBuffer::begin_block(std::int32_t key) {
    if (block_start >= 0)
        throw buffer_error("OutputBinaryBuffer::begin_block \xE2\xFB\xE7\xFB\xE2\xE0\xED \xE4\xE2\xE0\xE6\xE4\xFB");
    block_start = static_cast<std::int64_t>(data.size());
    write(key);
    write(std::int32_t{0});
    return true;
}

void OutputBinaryBuffer::end_block() {
    if (block_start < 0)
        throw buffer_error("OutputBinaryBuffer::end_block \xE2\xFB\xE7\xFB\xE2\xE0\xED \xE1\xE5\xE7 "
                           "\xED\xE0\xF7\xE0\xEB\xE0 \xE1\xEB\xEE\xEA\xE0");
    auto size = static_cast<std::int32_t>(static_cast<std::int64_t>(data.size()) - block_start - 8);
    std::memcpy(data.data() + block_start + 4, &size, sizeof size);
    block_start = -1;
}

} // namespace lib
