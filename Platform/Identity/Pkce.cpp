#include "Platform/Identity/Pkce.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace {
QString randomUrlText(int bytes)
{
    QByteArray data(bytes, Qt::Uninitialized);
    QRandomGenerator *rng = QRandomGenerator::system();
    for (auto &b : data)
        b = char(rng->bounded(256));
    return QString::fromLatin1(data.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}
}

namespace Pkce {

QString makeVerifier()
{
    return randomUrlText(32);
}

QString challenge(const QString &verifier)
{
    const QByteArray hash = QCryptographicHash::hash(verifier.toLatin1(), QCryptographicHash::Sha256);
    return QString::fromLatin1(hash.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString makeState()
{
    return randomUrlText(24);
}

}
