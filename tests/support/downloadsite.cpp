#include "downloadsite.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <map>

namespace {

std::string Md5(const std::string& text)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Md5).toHex().toStdString();
}

/** The key="value" and key=value pairs of a Digest Authorization header. */
std::map<std::string, std::string> DigestFields(const std::string& header)
{
    std::map<std::string, std::string> fields;
    size_t i = header.find(' ');
    while (i != std::string::npos && i < header.size()) {
        while (i < header.size() && (header[i] == ' ' || header[i] == ','))
            ++i;
        const size_t eq = header.find('=', i);
        if (eq == std::string::npos)
            break;
        const std::string key = header.substr(i, eq - i);
        std::string value;
        size_t end;
        if (eq + 1 < header.size() && header[eq + 1] == '"') {
            end = header.find('"', eq + 2);
            if (end == std::string::npos)
                break;
            value = header.substr(eq + 2, end - eq - 2);
            ++end;
        } else {
            end = header.find(',', eq + 1);
            value = header.substr(eq + 1, end == std::string::npos ? std::string::npos : end - eq - 1);
        }
        fields[key] = value;
        i = end;
    }
    return fields;
}

const char* const Realm = "pagemint";
const char* const Nonce = "5f0e2b9c";

} // namespace

const std::string& TDownloadTestSite::Body()
{
    static const std::string body = [] {
        std::string text;
        for (int i = 0; i < 100000; ++i)
            text += char((i * 7 + i / 256) & 0xFF); // binary, zero bytes included
        return text;
    }();
    return body;
}

TDownloadTestSite::TDownloadTestSite()
{
    Add(QStringLiteral("/ok.bin"), QByteArray::fromStdString(Body()), QStringLiteral("application/octet-stream"));
    Add(QStringLiteral("/a b.jpg"), "spaced", QStringLiteral("image/jpeg"));
    AddHandler("/404", [](const TTestRequest&, TTestResponse& res) {
        res = TTestResponse{404, "not here", "text/html", {}};
    });
    AddHandler("/500", [](const TTestRequest&, TTestResponse& res) {
        res = TTestResponse{500, "broken", "text/html", {}};
    });
    AddHandler("/302", [](const TTestRequest&, TTestResponse& res) {
        res = TTestResponse{302, "moved", "text/html", {{"Location", "/ok.bin"}}};
    });
    Add(QStringLiteral("/headers"), "headers", QStringLiteral("text/plain"));
    AddHandler("/basic", [this](const TTestRequest& req, TTestResponse& res) {
        RecordAuthorization(req);
        if (req.Header("Authorization") == "Basic " + QByteArray("user:pass").toBase64().toStdString()) {
            res.Body = "basic body";
            return;
        }
        res = TTestResponse{401, "who are you", "text/html",
                            {{"WWW-Authenticate", std::string("Basic realm=\"") + Realm + "\""}}};
    });
    AddHandler("/basic-password-only", [this](const TTestRequest& req, TTestResponse& res) {
        RecordAuthorization(req);
        if (req.Header("Authorization") == "Basic " + QByteArray(":pass").toBase64().toStdString()) {
            res.Body = "password only";
            return;
        }
        res = TTestResponse{401, {}, "text/plain",
                            {{"WWW-Authenticate", std::string("Basic realm=\"") + Realm + "\""}}};
    });
    AddHandler("/digest", [this](const TTestRequest& req, TTestResponse& res) {
        RecordAuthorization(req);
        const std::string authorization = req.Header("Authorization");
        if (authorization.rfind("Digest ", 0) == 0) {
            auto f = DigestFields(authorization);
            const std::string ha1 = Md5("user:" + std::string(Realm) + ":pass");
            const std::string ha2 = Md5("GET:" + f["uri"]);
            const std::string expected =
                Md5(ha1 + ":" + Nonce + ":" + f["nc"] + ":" + f["cnonce"] + ":" + f["qop"] + ":" + ha2);
            if (f["username"] == "user" && f["realm"] == Realm && f["nonce"] == Nonce && f["response"] == expected) {
                res.Body = "digest body";
                return;
            }
        }
        res = TTestResponse{401, "who are you", "text/html",
                            {{"WWW-Authenticate", std::string("Digest realm=\"") + Realm + "\", qop=\"auth\", nonce=\""
                                                      + Nonce + "\", algorithm=MD5"}}};
    });
    AddHandler(R"(/flaky/(\w+))", [this](const TTestRequest& req, TTestResponse& res) {
        // The site counted this request before the handler runs.
        if (Hits(QString::fromStdString(req.Path)) <= 2) {
            res = TTestResponse{503, "busy", "text/html", {{"Retry-After", "0"}}};
            return;
        }
        res = TTestResponse{200, Body(), "application/octet-stream", {}};
    });
    AddHandler(R"(/busy/(\d+))", [](const TTestRequest& req, TTestResponse& res) {
        res = TTestResponse{503, "busy", "text/html", {{"Retry-After", req.Matches[1]}}};
    });
    Start();
}

void TDownloadTestSite::RecordAuthorization(const TTestRequest& request)
{
    std::lock_guard lock(m_authorizationMutex);
    m_authorizations.push_back(request.Header("Authorization"));
}

std::vector<std::string> TDownloadTestSite::Authorizations() const
{
    std::lock_guard lock(m_authorizationMutex);
    return m_authorizations;
}

std::string TDownloadTestSite::LastHeader(const std::string& name) const
{
    return LastRequestHeader(QStringLiteral("/headers"), name);
}

TTestHeaders TDownloadTestSite::LastHeaders() const
{
    return LastRequestHeaders(QStringLiteral("/headers"));
}
