/* The Susie plug-in interface (*.spi), as Sorlin's plug-ins and their callers use it on Linux.
 *
 * A plug-in is a shared object with C entry points. Strings are narrow: file names are the
 * UTF-8 bytes of the path. Memory handed back by a plug-in (picture information, pixel rows,
 * archive listings, extracted files) is allocated with malloc and freed by the caller with free.
 *
 * The probe given to IsSupported is a file descriptor open for reading (a value below 0x10000)
 * or the address of a buffer holding the start of the file (at least 2 KiB, zero-padded when
 * the file is shorter).
 *
 * This header is C and C++; it is shared by the program and the plug-ins built with it. */
#ifndef SORLIN_SUSIE_API_H
#define SORLIN_SUSIE_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Return codes of GetPicture, GetArchiveInfo, GetFileInfo and GetFile. */
enum
{
    SPI_SUCCESS = 0,
    SPI_NOT_IMPLEMENTED = -1,
    SPI_ABORTED = 1,       /* the progress callback asked to stop */
    SPI_UNKNOWN_FORMAT = 2,
    SPI_BROKEN_DATA = 3,
    SPI_NO_MEMORY = 4,
    SPI_MEMORY_ERROR = 5,
    SPI_READ_ERROR = 6,
    SPI_INTERNAL_ERROR = 8
};

/* Input kinds in the flag argument: a file (buf is its name, len the byte offset to start at)
 * or memory (buf is the data, len its length). */
enum
{
    SPI_INPUT_FILE = 0,
    SPI_INPUT_MEMORY = 1
};

/* Output kinds for GetFile: to a folder (dest is its name) or to memory. */
enum
{
    SPI_OUTPUT_FILE = 0x000,
    SPI_OUTPUT_MEMORY = 0x100
};

/* Progress callback: nonzero asks the plug-in to stop. */
typedef int (*SpiProgressCallback)(int done, int total, intptr_t data);

/* Information number 0 gives the version text: four characters, the third 'I' for an image
 * plug-in and 'A' for an archive plug-in ("00IN", "00AM"). Returns the characters written. */
typedef int (*SpiGetPluginInfo)(int infoNumber, char* buffer, int bufferLength);
/* Nonzero when the plug-in reads the file `fileName` whose start `probe` gives (see above). */
typedef int (*SpiIsSupported)(const char* fileName, intptr_t probe);
/* Decodes a picture. *info receives a BITMAPINFOHEADER (40 bytes, little-endian) followed by
 * its colour table; *pixels the rows, bottom-up, each padded to 4 bytes. */
typedef int (*SpiGetPicture)(const char* buffer, intptr_t length, unsigned int flag, void** info,
                             void** pixels, SpiProgressCallback progress, intptr_t data);

/* An archive member, as GetArchiveInfo lists them and GetFileInfo finds them: 428 bytes. */
#pragma pack(push, 1)
typedef struct
{
    unsigned char method[8];  /* compression method, text */
    uint32_t position;        /* where the member is in the archive; passed to GetFile */
    uint32_t compressedSize;
    uint32_t fileSize;
    int32_t timestamp;        /* seconds since 1970 */
    char path[200];           /* folder inside the archive, with a trailing "/" when not empty */
    char fileName[200];
    uint32_t crc;
} SpiFileInfo;
#pragma pack(pop)
#ifdef __cplusplus
static_assert(sizeof(SpiFileInfo) == 428, "the archive member record has 428 bytes");
#endif

/* Lists an archive: *listing receives SpiFileInfo records ended by one whose method starts
 * with a zero byte. */
typedef int (*SpiGetArchiveInfo)(const char* buffer, intptr_t length, unsigned int flag, void** listing);
/* Finds member `fileName` ("folder/name" or "name") of the archive. */
typedef int (*SpiGetFileInfo)(const char* buffer, intptr_t length, const char* fileName, unsigned int flag,
                              SpiFileInfo* info);
/* Extracts the member at `position`: with SPI_OUTPUT_MEMORY, *(void**)dest receives the bytes. */
typedef int (*SpiGetFile)(const char* source, intptr_t position, void* dest, unsigned int flag,
                          SpiProgressCallback progress, intptr_t data);

#ifdef __cplusplus
}
#endif

#endif
