// An archive plug-in that misbehaves on purpose, for the tests of archives read through the media
// process. It reads any file named *.trick as four members:
//   endless.wav  claims 64 MiB and reports progress every 10 ms until it is told to stop
//   silent.wav   hangs without a word
//   crash.wav    ends its process with SIGABRT
//   fine.wav     half a second of silence, written as a plug-in writes a member
// Members are written to a folder only (SPI_OUTPUT_FILE), as dest/<name>.

#include "spi/SusieApi.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

constexpr uint32_t kFineDataBytes = 44100 * 4 / 2;

struct Member
{
    const char* name;
    uint32_t size;
};
constexpr std::array<Member, 4> kMembers = {{
    {"endless.wav", 64u << 20},
    {"silent.wav", 1024},
    {"crash.wav", 1024},
    {"fine.wav", 44 + kFineDataBytes},
}};

bool EndsWith(const char* text, const char* end)
{
    const size_t length = std::strlen(text);
    const size_t endLength = std::strlen(end);
    return length >= endLength && std::strcmp(text + length - endLength, end) == 0;
}

SpiFileInfo Record(size_t index)
{
    SpiFileInfo info{};
    std::memcpy(info.method, "trick", 5);
    info.position = static_cast<uint32_t>(index);
    info.compressedSize = kMembers[index].size;
    info.fileSize = kMembers[index].size;
    std::snprintf(info.fileName, sizeof info.fileName, "%s", kMembers[index].name);
    return info;
}

void Put32(std::string& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

void Put16(std::string& out, uint16_t value)
{
    out.push_back(static_cast<char>(value & 0xff));
    out.push_back(static_cast<char>(value >> 8));
}

int WriteFine(const char* folder)
{
    std::string wav = "RIFF";
    Put32(wav, 36 + kFineDataBytes);
    wav += "WAVEfmt ";
    Put32(wav, 16);
    Put16(wav, 1);
    Put16(wav, 2);
    Put32(wav, 44100);
    Put32(wav, 44100 * 4);
    Put16(wav, 4);
    Put16(wav, 16);
    wav += "data";
    Put32(wav, kFineDataBytes);
    wav.append(kFineDataBytes, '\0');
    const std::string path = std::string(folder) + "/fine.wav";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return SPI_READ_ERROR;
    const bool written = std::fwrite(wav.data(), 1, wav.size(), file) == wav.size();
    return std::fclose(file) == 0 && written ? SPI_SUCCESS : SPI_READ_ERROR;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int GetPluginInfo(int infoNumber, char* buffer, int bufferLength)
{
    if (infoNumber != 0 || bufferLength < 4)
        return 0;
    std::memcpy(buffer, "00AM", 4);
    return 4;
}

__attribute__((visibility("default"))) int IsSupported(const char* fileName, intptr_t)
{
    return EndsWith(fileName, ".trick") ? 1 : 0;
}

__attribute__((visibility("default"))) int GetArchiveInfo(const char* buffer, intptr_t, unsigned int,
                                                          void** listing)
{
    if (!EndsWith(buffer, ".trick"))
        return SPI_UNKNOWN_FORMAT;
    auto* records = static_cast<SpiFileInfo*>(std::calloc(kMembers.size() + 1, sizeof(SpiFileInfo)));
    for (size_t i = 0; i < kMembers.size(); ++i)
        records[i] = Record(i);
    *listing = records;
    return SPI_SUCCESS;
}

__attribute__((visibility("default"))) int GetFileInfo(const char* buffer, intptr_t, const char* fileName,
                                                       unsigned int, SpiFileInfo* info)
{
    if (!EndsWith(buffer, ".trick"))
        return SPI_UNKNOWN_FORMAT;
    for (size_t i = 0; i < kMembers.size(); ++i) {
        if (std::strcmp(fileName, kMembers[i].name) == 0) {
            *info = Record(i);
            return SPI_SUCCESS;
        }
    }
    return SPI_UNKNOWN_FORMAT;
}

__attribute__((visibility("default"))) int GetFile(const char*, intptr_t position, void* dest,
                                                   unsigned int flag, SpiProgressCallback progress,
                                                   intptr_t data)
{
    if ((flag & 0x700) != SPI_OUTPUT_FILE)
        return SPI_NOT_IMPLEMENTED;
    switch (position) {
    case 0:
        // Ten minutes at most, should nobody ever say stop.
        for (int i = 0; i < 60000; ++i) {
            if (progress && progress(i % 100, 100, data) != 0)
                return SPI_ABORTED;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return SPI_BROKEN_DATA;
    case 1:
        std::this_thread::sleep_for(std::chrono::minutes(10));
        return SPI_BROKEN_DATA;
    case 2:
        std::abort();
    case 3:
        return WriteFine(static_cast<const char*>(dest));
    default:
        return SPI_UNKNOWN_FORMAT;
    }
}

} // extern "C"
