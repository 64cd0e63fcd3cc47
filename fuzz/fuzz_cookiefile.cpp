// The kept cookie file of the browser session over arbitrary bytes: whatever is read must be
// written and read back to the same cookies, and the jar must take or refuse each without harm.
#include "download/cookiejar.h"
#include "fuzzsupport.h"

#include <QUrl>

using namespace pagemint;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<TCookie> read = ParseCookieFile(fuzz::Bytes(data, size));
    const QList<TCookie> again = ParseCookieFile(CookieFileText(read));
    if (again.size() > read.size())
        std::abort();
    TCookieJar jar;
    for (const TCookie& cookie : read)
        jar.Add(cookie);
    jar.CookieHeader(QUrl(QStringLiteral("http://example.com/")), QDateTime::currentDateTimeUtc());
    // Every cookie that could be written comes back unchanged.
    for (qsizetype i = 0, j = 0; i < read.size() && j < again.size(); ++i) {
        const TCookie& a = read[i];
        if (CookieFileText({a}).count('\n') == 1)
            continue; // left out on writing
        const TCookie& b = again[j++];
        if (a.Name != b.Name || a.Value != b.Value || a.Path != b.Path || a.Secure != b.Secure
            || a.HttpOnly != b.HttpOnly || a.HostOnly != b.HostOnly)
            std::abort();
    }
    return 0;
}
