#pragma once
// What the three title readers (CMIDI, CMP3, CWMA) share: one file opened for reading and one
// heap buffer with the bytes taken from it, both released by Close and by the destructor.
// A reader is made on the stack, used for one file and thrown away. UI thread only.

#include <QString>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

class ProbeReader
{
public:
    // No buffer ever grows past this, whatever a size field in the file claims.
    static constexpr int kMaxBuffer = 16 * 1024 * 1024;

    ProbeReader() = default;
    virtual ~ProbeReader() = default;
    ProbeReader(const ProbeReader&) = delete;
    ProbeReader& operator=(const ProbeReader&) = delete;

    // Frees the buffer and closes the file; false when nothing was open.
    bool Close();
    // Number of valid bytes in the buffer.
    int Size() const { return size; }

protected:
    // Closes what was open, then opens `path` for reading.
    bool OpenFile(const QString& path);
    // Reads exactly `count` bytes at the file's position; false on a short read.
    bool ReadBytes(void* into, size_t count);
    // Replaces the buffer by `count` bytes read at the file's position; false on a short read.
    bool ReadBuffer(int count);
    // Bytes from the file's position to its end; -1 when the file cannot say.
    int64_t BytesLeft();
    void FreeBuffer();

    struct FileCloser
    {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };

    std::vector<unsigned char> buffer;
    int size = 0;
    std::unique_ptr<std::FILE, FileCloser> file;
    bool isOpen = false;
};
