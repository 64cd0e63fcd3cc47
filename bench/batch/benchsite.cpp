// pagemint-benchsite: serves a generated site on 127.0.0.1 for the whole-program benchmarks.
//
//   pagemint-benchsite crawl [PAGES]   a tree of PAGES pages (default 500) under /p/, eight
//                                      links per page to its children, each page also linking
//                                      back to its parent and to the root
//   pagemint-benchsite files [COUNT]   /files/index.html with COUNT links (default 1000) to
//                                      small .zip files
//
// Prints "PORT <n>" on its first line, then serves until SIGINT or SIGTERM.
#include "support/imagefiles.h"
#include "support/testsite.h"

#include <QCoreApplication>
#include <QString>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int Branching = 8;

QString PageUrl(int i)
{
    return QStringLiteral("/p/%1.html").arg(i);
}

void BuildCrawlSite(TTestSite& site, int pages)
{
    for (int i = 0; i < pages; ++i) {
        QString html = QStringLiteral("<html><head><title>Page %1</title></head><body>\n"
                                      "<h1>Page %1</h1>\n<p>Price: %2 USD</p>\n"
                                      "<p>Some text of page %1 to give the renderer a little work, "
                                      "with a <b>bold</b> and an <i>italic</i> word.</p>\n<ul>\n")
                           .arg(i)
                           .arg(i * 3 + 1);
        for (int c = i * Branching + 1; c <= i * Branching + Branching && c < pages; ++c)
            html += QStringLiteral("<li><a href=\"%1\">child %2</a></li>\n").arg(PageUrl(c)).arg(c);
        html += QStringLiteral("</ul>\n");
        if (i > 0) {
            html += QStringLiteral("<p><a href=\"%1\">up</a> <a href=\"%2\">home</a></p>\n")
                        .arg(PageUrl((i - 1) / Branching), PageUrl(0));
        }
        html += QStringLiteral("</body></html>\n");
        site.AddPage(PageUrl(i), html);
    }
}

void BuildFilesSite(TTestSite& site, int count)
{
    QString html = QStringLiteral("<html><body><h1>Files</h1>\n");
    for (int i = 0; i < count; ++i) {
        const QString path = QStringLiteral("/files/f%1.zip").arg(i, 4, 10, QLatin1Char('0'));
        site.Add(path, MakeBytes(1024, unsigned(i)), QStringLiteral("application/zip"));
        html += QStringLiteral("<a href=\"%1\">file %2</a><br>\n").arg(path).arg(i);
    }
    html += QStringLiteral("</body></html>\n");
    site.AddPage(QStringLiteral("/files/index.html"), html);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const char* mode = argc > 1 ? argv[1] : "";
    TTestSite site;
    if (std::strcmp(mode, "crawl") == 0) {
        BuildCrawlSite(site, argc > 2 ? std::atoi(argv[2]) : 500);
    } else if (std::strcmp(mode, "files") == 0) {
        BuildFilesSite(site, argc > 2 ? std::atoi(argv[2]) : 1000);
    } else {
        std::fprintf(stderr, "usage: pagemint-benchsite crawl [PAGES] | files [COUNT]\n");
        return 2;
    }

    // Block the signals before the server threads start, then wait for one of them here.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    if (!site.Start()) {
        std::fprintf(stderr, "pagemint-benchsite: cannot listen on 127.0.0.1\n");
        return 1;
    }
    std::printf("PORT %d\n", site.Port());
    std::fflush(stdout);
    int received = 0;
    sigwait(&stopSignals, &received);
    site.Stop();
    return 0;
}
