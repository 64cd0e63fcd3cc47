#include "download/imagedecoder.h"

#include "download/bmpdecoder.h"

#include <QFile>
#include <algorithm>
#include <memory>
#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>
#include <jerror.h>
#include <gif_lib.h>

using namespace pagemint;

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "JPEG rows are decoded as B, G, R, X bytes into RGB32");

namespace {

/** libjpeg's error manager, extended with the jump back to the decoding function. */
struct TJpegErrorManager
{
    jpeg_error_mgr Base; // first, so that the manager can be found from cinfo->err
    std::jmp_buf Jump;
};

void JpegErrorExit(j_common_ptr info)
{
    // libjpeg's default ends the process; this returns to the decoding function instead.
    std::longjmp(reinterpret_cast<TJpegErrorManager*>(info->err)->Jump, 1);
}

void JpegEmitMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    // A file that ends early is filled up with grey by libjpeg; treat it as undecodable instead.
    const int code = info->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)
        std::longjmp(reinterpret_cast<TJpegErrorManager*>(info->err)->Jump, 1);
    ++info->err->num_warnings;
}

void JpegOutputMessage(j_common_ptr) {}

void JpegProgress(j_common_ptr info)
{
    // A progressive file may repeat scans without end, each one another pass over every block:
    // past the limit the file is refused instead of holding the user-interface thread.
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > TImageDecoder::MaxJpegScans)
        std::longjmp(reinterpret_cast<TJpegErrorManager*>(info->err)->Jump, 1);
}

/** Paints one GIF pixel unless it is transparent or outside the colour map. */
void PutGifPixel(int index, const ColorMapObject* map, int transparent, QRgb* out)
{
    if (index == transparent || index >= map->ColorCount)
        return;
    const GifColorType& c = map->Colors[index];
    *out = qRgb(c.Red, c.Green, c.Blue);
}

/** Reads up to count bytes; fewer only at the end of the file or on a read error, which sets
 *  error. An interrupted read is taken up again. */
size_t ReadSome(int fd, void* buffer, size_t count, bool& error)
{
    size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(fd, static_cast<char*>(buffer) + done, count - done);
        if (got > 0) {
            done += size_t(got);
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            error = true;
            break;
        }
    }
    return done;
}

/** An open picture file; closed with the object. */
class TPictureFile
{
public:
    /** Opens path for reading without blocking (a FIFO must not hold the thread) and keeps it
     *  only when it is a regular file; stamp is then the file as it is at this moment. */
    TPictureFile(const QString& path, TFileStamp& stamp)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0)
            return;
        struct stat info;
        if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(m_fd);
            m_fd = -1;
            return;
        }
        stamp.MTime = qint64(info.st_mtim.tv_sec);
        stamp.Size = qint64(info.st_size);
    }
    ~TPictureFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TPictureFile(const TPictureFile&) = delete;
    TPictureFile& operator=(const TPictureFile&) = delete;
    int Fd() const { return m_fd; }

private:
    int m_fd = -1;
};

/** giflib's input over an open file. */
struct TGifInput
{
    int Fd = -1;
    bool ReadError = false;
};

int GifRead(GifFileType* gif, GifByteType* bytes, int count)
{
    auto* input = static_cast<TGifInput*>(gif->UserData);
    if (count <= 0)
        return 0;
    return int(ReadSome(input->Fd, bytes, size_t(count), input->ReadError));
}

struct TGifCloser
{
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

/** giflib's reading of input's file, opened (its logical screen read); closed with the object.
 *  Null when the file is no GIF. */
std::unique_ptr<GifFileType, TGifCloser> OpenGif(TGifInput& input)
{
    int error = 0;
    return std::unique_ptr<GifFileType, TGifCloser>(DGifOpen(&input, &GifRead, &error));
}

} // namespace

/**
 * libjpeg's data source over an open file, read in large blocks. libjpeg-turbo decodes the
 * Huffman codes of a block row with its fast path only while several kilobytes of input are at
 * hand; the stock file source refills 4 KB at a time, which keeps it on the slow path most of
 * the time. This source hands over up to BufferSize bytes per refill instead.
 */
struct TJpegSource
{
    static constexpr size_t BufferSize = 256 * 1024;

    jpeg_source_mgr Base; // first, so that the source can be found from cinfo->src
    int Fd = -1;
    bool StartOfFile = true;
    bool ReadError = false; // the file could not be read: not a fault of its content
    std::vector<JOCTET> Buffer;
};

/** The source reading one open file while the object lives. The read buffer is taken on first
 *  use and kept, like the decompressor, for the next file. */
class TJpegSourceUse
{
public:
    TJpegSourceUse(TJpegSource& source, int fd) : m_source(source)
    {
        if (source.Buffer.empty())
            source.Buffer.resize(TJpegSource::BufferSize);
        source.Fd = fd;
        source.ReadError = false;
    }
    ~TJpegSourceUse() { m_source.Fd = -1; }
    TJpegSourceUse(const TJpegSourceUse&) = delete;
    TJpegSourceUse& operator=(const TJpegSourceUse&) = delete;

private:
    TJpegSource& m_source;
};

namespace {

void JpegSourceInit(j_decompress_ptr info)
{
    reinterpret_cast<TJpegSource*>(info->src)->StartOfFile = true;
}

boolean JpegSourceFill(j_decompress_ptr info)
{
    auto* source = reinterpret_cast<TJpegSource*>(info->src);
    size_t count = ReadSome(source->Fd, source->Buffer.data(), source->Buffer.size(), source->ReadError);
    if (source->ReadError)
        ERREXIT(info, JERR_FILE_READ);
    if (count == 0) {
        // The same as the stock source: an empty file is an error, a file that ends early a
        // warning (which JpegEmitMessage turns into a failure), with an end marker supplied.
        if (source->StartOfFile)
            ERREXIT(info, JERR_INPUT_EMPTY);
        WARNMS(info, JWRN_JPEG_EOF);
        source->Buffer[0] = 0xFF;
        source->Buffer[1] = JPEG_EOI;
        count = 2;
    }
    source->Base.next_input_byte = source->Buffer.data();
    source->Base.bytes_in_buffer = count;
    source->StartOfFile = false;
    return TRUE;
}

void JpegSourceSkip(j_decompress_ptr info, long count)
{
    if (count <= 0)
        return;
    jpeg_source_mgr* source = info->src;
    while (size_t(count) > source->bytes_in_buffer) {
        count -= long(source->bytes_in_buffer);
        (void)(*source->fill_input_buffer)(info);
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= size_t(count);
}

void JpegSourceTerm(j_decompress_ptr) {}

} // namespace

struct TImageDecoder::TJpeg
{
    jpeg_decompress_struct Info;
    TJpegErrorManager Error;
    jpeg_progress_mgr Progress;
    TJpegSource Source;
    bool Created = false;
};

namespace {

// The functions below call into libjpeg under a setjmp. They hold no objects with destructors,
// so a jump back from inside libjpeg skips nothing.

bool JpegCreate(jpeg_decompress_struct* info, TJpegErrorManager* error, jpeg_progress_mgr* progress)
{
    info->err = jpeg_std_error(&error->Base);
    error->Base.error_exit = &JpegErrorExit;
    error->Base.emit_message = &JpegEmitMessage;
    error->Base.output_message = &JpegOutputMessage;
    if (setjmp(error->Jump))
        return false;
    jpeg_create_decompress(info);
    progress->progress_monitor = &JpegProgress;
    info->progress = progress;
    return true;
}

struct TJpegStart
{
    unsigned FullWidth = 0;
    unsigned FullHeight = 0;
    bool Cmyk = false;
    bool AdobeInverted = false;
};

/** Reads the markers up to the first frame header from the source; false (the decompressor
 *  aborted) when they are not those of a picture. */
bool JpegReadHeader(jpeg_decompress_struct* info, TJpegErrorManager* error, TJpegSource* source)
{
    if (setjmp(error->Jump)) {
        jpeg_abort_decompress(info);
        return false;
    }
    info->mem->max_memory_to_use = TImageDecoder::MaxJpegWorkingMemory;
    error->Base.num_warnings = 0;
    source->Base.next_input_byte = nullptr;
    source->Base.bytes_in_buffer = 0;
    info->src = &source->Base;
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK || info->image_width == 0 || info->image_height == 0) {
        jpeg_abort_decompress(info);
        return false;
    }
    return true;
}

bool JpegStart(jpeg_decompress_struct* info, TJpegErrorManager* error, TJpegSource* source, TJpegStart* start)
{
    if (!JpegReadHeader(info, error, source))
        return false;
    if (setjmp(error->Jump)) {
        jpeg_abort_decompress(info);
        return false;
    }
    start->FullWidth = info->image_width;
    start->FullHeight = info->image_height;
    start->Cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    start->AdobeInverted = info->saw_Adobe_marker;
    info->out_color_space = start->Cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    info->dct_method = JDCT_ISLOW;
    info->do_fancy_upsampling = FALSE;
    info->do_block_smoothing = FALSE;

    const QSize need = TImageDecoder::ReducedSizeNeeded(QSize(int(start->FullWidth), int(start->FullHeight)));
    for (unsigned num = 1; num <= 8; ++num) {
        info->scale_num = num;
        info->scale_denom = 8;
        jpeg_calc_output_dimensions(info);
        if (info->output_width >= unsigned(need.width()) && info->output_height >= unsigned(need.height()))
            break;
    }
    if (qint64(info->output_width) * qint64(info->output_height) > TImageDecoder::MaxDecodedPixels) {
        jpeg_abort_decompress(info);
        return false;
    }
    jpeg_start_decompress(info);
    return true;
}

bool JpegReadRows(jpeg_decompress_struct* info, TJpegErrorManager* error, uchar* bits, qsizetype stride,
                  bool cmyk, bool adobeInverted)
{
    if (setjmp(error->Jump)) {
        jpeg_abort_decompress(info);
        return false;
    }
    JSAMPARRAY cmykRow = nullptr;
    if (cmyk)
        cmykRow = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                             info->output_width * 4, 1);
    while (info->output_scanline < info->output_height) {
        uchar* row = bits + stride * qsizetype(info->output_scanline);
        JSAMPROW target = cmyk ? cmykRow[0] : row;
        if (jpeg_read_scanlines(info, &target, 1) != 1) {
            jpeg_abort_decompress(info);
            return false;
        }
        if (cmyk) {
            const uchar* in = cmykRow[0];
            for (unsigned x = 0; x < info->output_width; ++x, in += 4, row += 4) {
                // Adobe writes CMYK inverted; plain CMYK is stored as ink amounts.
                const int c = adobeInverted ? in[0] : 255 - in[0];
                const int m = adobeInverted ? in[1] : 255 - in[1];
                const int y = adobeInverted ? in[2] : 255 - in[2];
                const int k = adobeInverted ? in[3] : 255 - in[3];
                row[0] = uchar(y * k / 255);
                row[1] = uchar(m * k / 255);
                row[2] = uchar(c * k / 255);
                row[3] = 0xFF;
            }
        }
    }
    jpeg_finish_decompress(info);
    return true;
}

} // namespace

TImageDecoder::TImageDecoder() : m_jpeg(std::make_unique<TJpeg>())
{
    TJpegSource& source = m_jpeg->Source;
    source.Base.init_source = &JpegSourceInit;
    source.Base.fill_input_buffer = &JpegSourceFill;
    source.Base.skip_input_data = &JpegSourceSkip;
    source.Base.resync_to_restart = &jpeg_resync_to_restart;
    source.Base.term_source = &JpegSourceTerm;
    source.Base.next_input_byte = nullptr;
    source.Base.bytes_in_buffer = 0;
    m_jpeg->Created = JpegCreate(&m_jpeg->Info, &m_jpeg->Error, &m_jpeg->Progress);
}

TImageDecoder::~TImageDecoder()
{
    if (m_jpeg->Created)
        jpeg_destroy_decompress(&m_jpeg->Info);
}

TImageDecoder::Kind TImageDecoder::KindOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot <= slash)
        return Kind::Bmp;
    const QString ext = path.mid(dot).toLower();
    if (ext == u".jpg" || ext == u".jpeg")
        return Kind::Jpeg;
    if (ext == u".gif")
        return Kind::Gif;
    return Kind::Bmp;
}

QSize TImageDecoder::PictureArea(QSize fullSize)
{
    const qint64 w = fullSize.width();
    const qint64 h = fullSize.height();
    if (w <= 0 || h <= 0)
        return QSize();
    if (h < w)
        return QSize(63, int(h * 64 / w));
    return QSize(int(w * 64 / h), 63);
}

QSize TImageDecoder::ReducedSizeNeeded(QSize fullSize)
{
    const qint64 w = fullSize.width();
    const qint64 h = fullSize.height();
    if (w <= 0 || h <= 0)
        return QSize();
    const QSize area = PictureArea(fullSize);
    const qint64 longSide = std::max(w, h);
    QSize entry = fullSize;
    if (longSide > NormalEntrySize)
        entry = QSize(int(std::max<qint64>(1, w * NormalEntrySize / longSide)),
                      int(std::max<qint64>(1, h * NormalEntrySize / longSide)));
    return area.expandedTo(entry);
}

TDecodeOutcome TImageDecoder::Read(const QString& path, TDecodedPicture& picture)
{
    return ReadAs(KindOf(path), path, picture);
}

bool TImageDecoder::Decode(const QString& path, TDecodedPicture& picture)
{
    return Read(path, picture) == TDecodeOutcome::Decoded;
}

bool TImageDecoder::DecodeJpeg(const QString& path, TDecodedPicture& picture)
{
    return ReadAs(Kind::Jpeg, path, picture) == TDecodeOutcome::Decoded;
}

bool TImageDecoder::DecodeGif(const QString& path, TDecodedPicture& picture)
{
    return ReadAs(Kind::Gif, path, picture) == TDecodeOutcome::Decoded;
}

bool TImageDecoder::DecodeBmp(const QString& path, TDecodedPicture& picture)
{
    return ReadAs(Kind::Bmp, path, picture) == TDecodeOutcome::Decoded;
}

TDecodeOutcome TImageDecoder::ReadAs(Kind kind, const QString& path, TDecodedPicture& picture)
{
    picture.Stamp = TFileStamp();
    const TPictureFile file(path, picture.Stamp);
    if (file.Fd() < 0)
        return TDecodeOutcome::Unreadable;
    switch (kind) {
    case Kind::Jpeg: return DecodeJpegFile(file.Fd(), picture);
    case Kind::Gif: return DecodeGifFile(file.Fd(), picture);
    case Kind::Bmp: break;
    }
    return DecodeBmpFile(file.Fd(), picture);
}

TDecodeOutcome TImageDecoder::DecodeJpegFile(int fd, TDecodedPicture& picture)
{
    if (!m_jpeg->Created)
        return TDecodeOutcome::Undecodable;
    TJpegSource& source = m_jpeg->Source;
    const TJpegSourceUse use(source, fd);
    const auto failure = [&source] {
        return source.ReadError ? TDecodeOutcome::Unreadable : TDecodeOutcome::Undecodable;
    };

    jpeg_decompress_struct* info = &m_jpeg->Info;
    TJpegStart start;
    if (!JpegStart(info, &m_jpeg->Error, &source, &start))
        return failure();
    QImage image(int(info->output_width), int(info->output_height), QImage::Format_RGB32);
    if (image.isNull()) {
        jpeg_abort_decompress(info);
        return TDecodeOutcome::Undecodable;
    }
    if (!JpegReadRows(info, &m_jpeg->Error, image.bits(), image.bytesPerLine(), start.Cmyk, start.AdobeInverted))
        return failure();
    picture.Image = std::move(image);
    picture.FullSize = QSize(int(start.FullWidth), int(start.FullHeight));
    return TDecodeOutcome::Decoded;
}

TDecodeOutcome TImageDecoder::DecodeGifFile(int fd, TDecodedPicture& picture)
{
    TGifInput input;
    input.Fd = fd;
    const auto file = OpenGif(input);
    GifFileType* gif = file.get();
    if (!gif)
        return input.ReadError ? TDecodeOutcome::Unreadable : TDecodeOutcome::Undecodable;
    const auto failed = [&input] {
        return input.ReadError ? TDecodeOutcome::Unreadable : TDecodeOutcome::Undecodable;
    };

    int transparent = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR || type == TERMINATE_RECORD_TYPE)
            return failed();
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
                return failed();
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4)
                transparent = (block[1] & 0x01) ? block[4] : -1;
            while (block) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                    return failed();
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            continue;

        // The first frame.
        if (DGifGetImageDesc(gif) == GIF_ERROR)
            return failed();
        const GifImageDesc& frame = gif->Image;
        const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
        if (!map || map->ColorCount <= 0 || frame.Width <= 0 || frame.Height <= 0)
            return failed();
        int width = gif->SWidth;
        int height = gif->SHeight;
        if (width <= 0 || height <= 0) {
            width = frame.Width;
            height = frame.Height;
        }
        if (qint64(width) * height > MaxDecodedPixels || qint64(frame.Width) * frame.Height > MaxDecodedPixels)
            return failed();
        QImage canvas(width, height, QImage::Format_RGB32);
        if (canvas.isNull())
            return failed();
        canvas.fill(Qt::white);

        std::vector<GifPixelType> line(size_t(frame.Width));
        auto putRow = [&](int y) {
            const int canvasY = frame.Top + y;
            if (canvasY < 0 || canvasY >= height)
                return;
            auto* out = reinterpret_cast<QRgb*>(canvas.scanLine(canvasY));
            for (int x = 0; x < frame.Width; ++x) {
                const int canvasX = frame.Left + x;
                if (canvasX >= 0 && canvasX < width)
                    PutGifPixel(line[size_t(x)], map, transparent, &out[canvasX]);
            }
        };
        if (frame.Interlace) {
            static const int offsets[] = {0, 4, 2, 1};
            static const int steps[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass) {
                for (int y = offsets[pass]; y < frame.Height; y += steps[pass]) {
                    if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR)
                        return failed();
                    putRow(y);
                }
            }
        } else {
            for (int y = 0; y < frame.Height; ++y) {
                if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR)
                    return failed();
                putRow(y);
            }
        }
        picture.Image = std::move(canvas);
        picture.FullSize = picture.Image.size();
        return TDecodeOutcome::Decoded;
    }
}

TDecodeOutcome TImageDecoder::DecodeBmpFile(int fd, TDecodedPicture& picture)
{
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return TDecodeOutcome::Unreadable;
    QImage image;
    if (!pagemint::DecodeBmp(file, image, MaxDecodedPixels))
        return file.error() == QFileDevice::ReadError ? TDecodeOutcome::Unreadable : TDecodeOutcome::Undecodable;
    picture.FullSize = image.size();
    picture.Image = std::move(image);
    return TDecodeOutcome::Decoded;
}

bool TImageDecoder::HeaderSize(const QString& path, QSize& size)
{
    TFileStamp stamp;
    const TPictureFile file(path, stamp);
    if (file.Fd() < 0)
        return false;
    switch (KindOf(path)) {
    case Kind::Jpeg: {
        // libjpeg reads the markers up to the frame header; the calling thread's own decoder
        // keeps its decompressor for the next call.
        thread_local TImageDecoder decoder;
        return decoder.JpegHeaderSize(file.Fd(), size);
    }
    case Kind::Gif: return GifHeaderSize(file.Fd(), size);
    case Kind::Bmp: break;
    }
    QFile device;
    return device.open(file.Fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle) && pagemint::BmpSize(device, size);
}

bool TImageDecoder::JpegHeaderSize(int fd, QSize& size)
{
    if (!m_jpeg->Created)
        return false;
    const TJpegSourceUse use(m_jpeg->Source, fd);
    jpeg_decompress_struct* info = &m_jpeg->Info;
    if (!JpegReadHeader(info, &m_jpeg->Error, &m_jpeg->Source))
        return false;
    size = QSize(int(info->image_width), int(info->image_height));
    jpeg_abort_decompress(info);
    return true;
}

bool TImageDecoder::GifHeaderSize(int fd, QSize& size)
{
    // giflib reads the logical screen when it opens the file; a decode gives that size when
    // the screen is not empty.
    TGifInput input;
    input.Fd = fd;
    const auto gif = OpenGif(input);
    if (!gif)
        return false;
    const QSize screen(gif->SWidth, gif->SHeight);
    if (screen.width() <= 0 || screen.height() <= 0)
        return false;
    size = screen;
    return true;
}
