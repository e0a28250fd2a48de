#pragma once
// Sequential binary codecs: fixed-size values as raw little-endian bytes, texts ended by a
// zero byte, and keyed blocks (key, size, content) that a reader can find by key.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace lib {

// A read beyond the data, or misuse of the block interface.
class buffer_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Buffer {
public:
    Buffer() = default;
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    virtual bool begin_block(std::int32_t key) = 0;
    virtual void end_block() = 0;

protected:
    ~Buffer() = default; // never deleted through the base
};

class InputBinaryBuffer : public Buffer {
public:
    InputBinaryBuffer() = default;

    void attach(const char* bytes, std::int32_t count);
    bool at_end() const { return end_reached; }
    std::int32_t get_position() const { return position; }
    std::int32_t remaining() const { return at_end() ? 0 : static_cast<std::int32_t>(data.size()) - position; }

    // At the end: does nothing. Otherwise copies count bytes, or throws buffer_error when
    // fewer remain (nothing is read then).
    void read_bytes(void* destination, std::int32_t count);
    template <class T> void read(T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        read_bytes(&value, static_cast<std::int32_t>(sizeof(T)));
    }
    char read_char();                    // throws buffer_error at the end
    void read_string(std::string& text); // up to a zero byte, or until the data ends (last byte dropped)

    bool begin_block(std::int32_t key) override;
    void end_block() override {}

private:
    void set_position(std::int64_t p);

    std::vector<char> data;
    std::int32_t position = 0;
    bool end_reached = true;
};

class OutputBinaryBuffer : public Buffer {
public:
    template <class T> void write(const T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        write_bytes(&value, sizeof(T));
    }
    void write_bytes(const void* bytes, std::size_t count);
    void write_string(const std::string& text); // throws buffer_error for a text with a zero byte

    bool begin_block(std::int32_t key) override;
    void end_block() override;

    const std::vector<char>& get_data() const { return data; }

private:
    std::vector<char> data;
    std::int64_t block_start = -1; // offset of the open block's header, -1 when none is open
};

} // namespace lib
