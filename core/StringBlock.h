// The heap-block logic shared by WString and AString: one block holds a
// {length, capacity} header followed by the NUL-terminated characters.
#pragma once

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <climits>
#include <new>

namespace core_internal {

struct StringHeader {
    int32_t length;    // characters in use, without the terminator
    int32_t capacity;  // characters the block holds, terminator included
};

template <typename Ch>
struct EmptyStringRep {
    StringHeader header;
    Ch nul;
};

// The one empty representation per character type. It is never written and
// never freed; every release compares against it first.
template <typename Ch>
struct SharedEmpty {
    static EmptyStringRep<Ch> rep;
    static Ch* Data() { return &rep.nul; }
};
template <typename Ch>
EmptyStringRep<Ch> SharedEmpty<Ch>::rep = {{0, 0}, 0};

template <typename Ch>
inline size_t TextLength(const Ch* text);
template <>
inline size_t TextLength<wchar_t>(const wchar_t* text) { return wcslen(text); }
template <>
inline size_t TextLength<char>(const char* text) { return strlen(text); }

// Text storage of one string. WString and AString derive from it and add
// their encoding-specific operations.
template <typename Ch>
class StringBlock {
public:
    int GetLength() const { return Header()->length; }
    int GetCapacity() const { return Header()->capacity; }
    bool IsEmpty() const { return Header()->length == 0; }
    const Ch* GetString() const { return m_data; }
    operator const Ch*() const { return m_data; }
    Ch operator[](int index) const { return m_data[index]; }

    // Moves the text into a block of newCapacity characters; with keepContent
    // the first min(length, newCapacity - 1) characters survive.
    void Reallocate(int newCapacity, bool keepContent) {
        StringHeader* block = static_cast<StringHeader*>(
            ::operator new(sizeof(StringHeader) + sizeof(Ch) * static_cast<size_t>(newCapacity)));
        Ch* chars = reinterpret_cast<Ch*>(block + 1);
        int kept = 0;
        if (keepContent) {
            kept = GetLength() < newCapacity - 1 ? GetLength() : newCapacity - 1;
            if (kept > 0) memcpy(chars, m_data, sizeof(Ch) * static_cast<size_t>(kept));
        }
        Release();
        block->length = kept;
        block->capacity = newCapacity;
        chars[kept] = 0;
        m_data = chars;
    }

    // Ensures room for newLength characters plus the terminator; capacities
    // double from 16 (or from the block's own capacity).
    void Grow(int newLength, bool keepContent) {
        const int needed = (newLength > 0 ? newLength : 0) + 1;
        int capacity = GetCapacity();
        if (needed <= capacity) {
            if (!keepContent) SetLength(0);
            return;
        }
        if (capacity == 0) capacity = 16;
        while (capacity < needed) {
            if (capacity > INT32_MAX / 2) throw std::bad_alloc();
            capacity *= 2;
        }
        Reallocate(capacity, keepContent);
    }

    void Assign(const Ch* text, int length) {
        if (text == m_data) return;
        Grow(length, false);
        if (length > 0) memmove(m_data, text, sizeof(Ch) * static_cast<size_t>(length));
        SetLength(length > 0 ? length : 0);
    }

    void AppendText(const Ch* text, int length) {
        if (length < 0) length = 0;
        const int old = GetLength();
        if (old + length + 1 > GetCapacity() && text >= m_data && text <= m_data + old) {
            // Appending part of ourselves: copy before the block moves.
            StringBlock copy;
            copy.Assign(text, length);
            AppendText(copy.m_data, length);
            return;
        }
        Grow(old + length, true);
        if (length > 0) memmove(m_data + old, text, sizeof(Ch) * static_cast<size_t>(length));
        SetLength(old + length);
    }

    // Replaces every non-overlapping occurrence of oldText, left to right.
    int ReplaceAll(const Ch* oldText, const Ch* newText) {
        const int oldLen = oldText ? static_cast<int>(TextLength(oldText)) : 0;
        const int newLen = newText ? static_cast<int>(TextLength(newText)) : 0;
        if (oldLen == 0 || newLen == 0) return 0;
        const int length = GetLength();
        StringBlock copy;
        copy.Assign(m_data, length);
        int count = 0;
        for (int i = 0; i + oldLen <= length;) {
            if (memcmp(copy.m_data + i, oldText, sizeof(Ch) * oldLen) == 0) {
                ++count;
                i += oldLen;
            } else {
                ++i;
            }
        }
        if (count == 0) return 0;
        Grow(length + count * (newLen - oldLen), false);
        Ch* out = m_data;
        int i = 0, runStart = 0;
        while (i + oldLen <= length) {
            if (memcmp(copy.m_data + i, oldText, sizeof(Ch) * oldLen) == 0) {
                memcpy(out, copy.m_data + runStart, sizeof(Ch) * (i - runStart));
                out += i - runStart;
                memcpy(out, newText, sizeof(Ch) * newLen);
                out += newLen;
                i += oldLen;
                runStart = i;
            } else {
                ++i;
            }
        }
        memcpy(out, copy.m_data + runStart, sizeof(Ch) * (length - runStart));
        out += length - runStart;
        SetLength(static_cast<int>(out - m_data));
        return count;
    }

    // Writable buffer for at least minLength characters.
    Ch* GetBuffer(int minLength, bool keepContent) {
        Grow(minLength, keepContent);
        if (!keepContent) m_data[0] = 0;
        return m_data;
    }

    void ReleaseBuffer(int newLength) {
        if (GetCapacity() == 0) return;  // never write into the shared empty text
        if (newLength < 0) newLength = static_cast<int>(TextLength(m_data));
        if (newLength > GetCapacity() - 1) newLength = GetCapacity() - 1;
        SetLength(newLength);
    }

    void Empty() {
        Grow(0, false);
        SetLength(0);
    }

protected:
    StringBlock() : m_data(SharedEmpty<Ch>::Data()) {}
    StringBlock(const StringBlock&) = delete;
    StringBlock& operator=(const StringBlock&) = delete;
    StringBlock(StringBlock&& other) noexcept : m_data(other.m_data) {
        other.m_data = SharedEmpty<Ch>::Data();
    }
    ~StringBlock() { Release(); }

    void Swap(StringBlock& other) noexcept {
        Ch* t = m_data;
        m_data = other.m_data;
        other.m_data = t;
    }

    StringHeader* Header() const { return reinterpret_cast<StringHeader*>(m_data) - 1; }

    void SetLength(int length) {
        Header()->length = length;
        m_data[length] = 0;
    }

    Ch* m_data;

private:
    void Release() {
        if (m_data != SharedEmpty<Ch>::Data()) ::operator delete(Header());
    }
};

}  // namespace core_internal
