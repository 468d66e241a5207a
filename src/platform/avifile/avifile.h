// AVI files in place of the Windows AVIFile services: RIFF AVI 1.0 with a header list (avih and
// one strl per stream), the movi list of frames and sample blocks, and an idx1 index. The
// headers are written when the file is released, since streams and formats arrive after the
// first frames. Video is stored as uncompressed 24-bit DIB rows (padded to four bytes, bottom
// row first); asking for a codec chooses that format without a prompt.
#pragma once

#include <cstdint>

#include "platform/win32/waveformat.h"
#include "platform/win32/windows_types.h"

typedef std::uint32_t FOURCC;
typedef long HRESULT;

struct AviFile;
struct AviStream;
typedef AviFile* PAVIFILE;
typedef AviStream* PAVISTREAM;

constexpr HRESULT AVIERR_OK = 0;
constexpr HRESULT AVIERR_ERROR = -2147205005; // a generic failure (a negative HRESULT)
constexpr unsigned OF_WRITE = 0x0001;
constexpr unsigned OF_CREATE = 0x1000;
constexpr unsigned AVIIF_KEYFRAME = 0x10;
constexpr unsigned AVICOMPRESSF_VALID = 0x08;

constexpr FOURCC make_fourcc(char a, char b, char c, char d)
{
    return static_cast<FOURCC>(static_cast<unsigned char>(a)) | (static_cast<FOURCC>(static_cast<unsigned char>(b)) << 8) |
           (static_cast<FOURCC>(static_cast<unsigned char>(c)) << 16) | (static_cast<FOURCC>(static_cast<unsigned char>(d)) << 24);
}
constexpr FOURCC streamtypeVIDEO = make_fourcc('v', 'i', 'd', 's');
constexpr FOURCC streamtypeAUDIO = make_fourcc('a', 'u', 'd', 's');

struct RECT {
    LONG left, top, right, bottom;
};

struct AVISTREAMINFOA {
    FOURCC fccType;
    FOURCC fccHandler;
    std::uint32_t dwFlags;
    std::uint32_t dwCaps;
    std::uint16_t wPriority;
    std::uint16_t wLanguage;
    std::uint32_t dwScale;
    std::uint32_t dwRate;
    std::uint32_t dwStart;
    std::uint32_t dwLength;
    std::uint32_t dwInitialFrames;
    std::uint32_t dwSuggestedBufferSize;
    std::uint32_t dwQuality;
    std::uint32_t dwSampleSize;
    RECT rcFrame;
    std::uint32_t dwEditCount;
    std::uint32_t dwFormatChangeCount;
    char szName[64];
};

struct AVICOMPRESSOPTIONS {
    FOURCC fccType;
    FOURCC fccHandler;
    std::uint32_t dwKeyFrameEvery;
    std::uint32_t dwQuality;
    std::uint32_t dwBytesPerSecond;
    std::uint32_t dwFlags;
    void* lpFormat;
    std::uint32_t cbFormat;
    void* lpParms;
    std::uint32_t cbParms;
    std::uint32_t dwInterleaveEvery;
};

struct BITMAPINFOHEADER {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};
constexpr std::uint32_t BI_RGB = 0;

void AVIFileInit();
void AVIFileExit();
HRESULT AVIFileOpenA(PAVIFILE* file, const char* name, unsigned mode, const void* handler);
HRESULT AVIFileCreateStreamA(PAVIFILE file, PAVISTREAM* stream, const AVISTREAMINFOA* info);
// The compressed stream writes through to the source stream as uncompressed DIB frames.
HRESULT AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM source, const AVICOMPRESSOPTIONS* options,
                                const void* handler);
// The codec choice: uncompressed 24-bit DIB, answered at once as if the user chose it (TRUE).
int AVISaveOptions(HWND owner, unsigned flags, int stream_count, PAVISTREAM* streams, AVICOMPRESSOPTIONS** options);
HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG position, const void* format, LONG format_size);
// Appends samples (frames for video); *bytes_written is what reached the file, 0 on failure.
// When writing to the file failed, errno tells the system's cause; the file then takes no
// more chunks, and its release finishes it with the chunks written before.
HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, const void* buffer, LONG buffer_size,
                       unsigned flags, LONG* samples_written, LONG* bytes_written);
unsigned long AVIStreamRelease(PAVISTREAM stream);
// The last release of the file writes the headers and the index and closes it. A file that
// has no room left for its index (a full disk) is finished without one.
unsigned long AVIFileRelease(PAVIFILE file);
