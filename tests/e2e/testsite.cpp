#include "testsite.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <gif_lib.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace {

std::string Key(const QString& path)
{
    return path.toStdString();
}

int BindLoopback(int* port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    *port = ntohs(address.sin_port);
    return fd;
}

QImage Gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(200, 40, 40));
    gradient.setColorAt(1, QColor(40, 40, 200));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::white);
    painter.drawLine(0, 0, width - 1, height - 1);
    return image;
}

QByteArray Encode(const QImage& image, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

int WriteGifBytes(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

} // namespace

// ---- TTestSite ----

TTestSite::TTestSite() : m_server(std::make_unique<httplib::Server>())
{
    // Chromium keeps several idle connections open and hanging paths hold one each, so the
    // pool must be larger than the library's default for a machine with two cores.
    m_server->new_task_queue = [] { return new httplib::ThreadPool(48); };
    m_server->set_keep_alive_timeout(2);
    // Headers and body go out in separate writes; without this each response can wait for a
    // delayed acknowledgement.
    m_server->set_tcp_nodelay(true);
    m_server->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        TEntry entry;
        {
            std::lock_guard lock(m_mutex);
            ++m_hits[request.path];
            const auto it = m_entries.find(request.path);
            if (it == m_entries.end()) {
                response.status = 404;
                response.set_content("not found", "text/plain");
                return;
            }
            entry = it->second;
        }
        if (!entry.hanging) {
            response.set_content(entry.body.constData(), size_t(entry.body.size()), entry.type.c_str());
            return;
        }
        response.set_chunked_content_provider(
            entry.type, [this, head = entry.body](size_t offset, httplib::DataSink& sink) {
                if (offset == 0 && !head.isEmpty()) {
                    sink.write(head.constData(), size_t(head.size()));
                    return true;
                }
                std::unique_lock lock(m_mutex);
                const quint64 generation = m_releaseGeneration;
                m_released.wait(lock, [&] { return m_stopping || m_releaseGeneration != generation; });
                return false; // drops the connection: the response never completes
            });
    });
}

TTestSite::~TTestSite()
{
    Stop();
}

void TTestSite::Add(const QString& path, const QByteArray& body, const QString& contentType)
{
    std::lock_guard lock(m_mutex);
    m_entries[Key(path)] = TEntry{body, contentType.toStdString(), false};
}

void TTestSite::AddPage(const QString& path, const QString& html)
{
    Add(path, html.toUtf8(), QStringLiteral("text/html; charset=utf-8"));
}

void TTestSite::AddHanging(const QString& path, const QByteArray& head, const QString& contentType)
{
    std::lock_guard lock(m_mutex);
    m_entries[Key(path)] = TEntry{head, contentType.toStdString(), true};
}

bool TTestSite::Start()
{
    m_port = m_server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        return false;
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    return true;
}

void TTestSite::Release()
{
    {
        std::lock_guard lock(m_mutex);
        ++m_releaseGeneration;
    }
    m_released.notify_all();
}

void TTestSite::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_released.notify_all();
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
}

QString TTestSite::Url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}

int TTestSite::Hits(const QString& path) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_hits.find(Key(path));
    return it == m_hits.end() ? 0 : it->second;
}

// ---- TGarbageServer ----

TGarbageServer::~TGarbageServer()
{
    Stop();
}

bool TGarbageServer::Start()
{
    m_listenFd = BindLoopback(&m_port);
    if (m_listenFd < 0 || ::listen(m_listenFd, 16) != 0)
        return false;
    m_thread = std::thread([this] {
        static const char head[] = "\x00\x17\xff\xfe garbage \x01\x02\x03 <html> not http\r\n\r\n";
        static const QByteArray garbage = QByteArray(head, sizeof head - 1) + MakeBytes(2000, 7);
        while (!m_stopping) {
            pollfd waitFor = {m_listenFd, POLLIN, 0};
            if (::poll(&waitFor, 1, 50) <= 0)
                continue;
            const int client = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            // Read what the client sent first, so that closing does not reset the connection
            // before the garbage has arrived.
            char request[4096];
            pollfd readable = {client, POLLIN, 0};
            if (::poll(&readable, 1, 1000) > 0)
                [[maybe_unused]] const ssize_t n = ::recv(client, request, sizeof request, 0);
            [[maybe_unused]] const ssize_t sent =
                ::send(client, garbage.constData(), size_t(garbage.size()), MSG_NOSIGNAL);
            ::shutdown(client, SHUT_WR);
            ::close(client);
        }
    });
    return true;
}

void TGarbageServer::Stop()
{
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
    }
}

QString TGarbageServer::Url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}

// ---- files ----

int UnusedLoopbackPort()
{
    int port = 0;
    const int fd = BindLoopback(&port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

QByteArray MakeJpeg(int width, int height)
{
    return Encode(Gradient(width, height), "JPG", 90);
}

QByteArray MakeBmp(int width, int height)
{
    return Encode(Gradient(width, height).convertToFormat(QImage::Format_RGB888), "BMP");
}

QByteArray MakeGif(int width, int height)
{
    const QImage image = Gradient(width, height);
    GifColorType colours[4] = {{200, 40, 40}, {150, 40, 90}, {90, 40, 150}, {40, 40, 200}};
    QByteArray bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, WriteGifBytes, &error);
    if (!gif)
        return bytes;
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, width, height, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
    std::vector<GifPixelType> row(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            row[size_t(x)] = GifPixelType(qBlue(image.pixel(x, y)) * 3 / 255);
        EGifPutLine(gif, row.data(), width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return bytes;
}

QByteArray MakeBytes(int size, unsigned seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    unsigned state = seed * 2654435761u + 1;
    for (int i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = char(state >> 16);
    }
    return bytes;
}
