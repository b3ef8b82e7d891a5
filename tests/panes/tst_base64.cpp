#include "Base64.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtTest>

#include <stdexcept>
#include <vector>

// Outcome of one decode: the bytes written and the count, or how it failed.
struct Decoded {
    QByteArray bytes;
    qsizetype count = -1;
    QString error;
};

static Decoded Decode(const QByteArray& source)
{
    Decoded result;
    try {
        std::vector<unsigned char> out(Base64DecodedSize(source.size()) + 1, 0xAA);
        result.count
            = static_cast<qsizetype>(Base64Decode(out.data(), source.constData(), source.size()));
        result.bytes = QByteArray(
            reinterpret_cast<const char*>(out.data()), static_cast<qsizetype>(out.size() - 1));
        // The byte past the output buffer stays untouched.
        if (out.back() != 0xAA)
            result.error = QStringLiteral("overrun");
    } catch (const std::runtime_error& error) {
        result.error = QString::fromLatin1(error.what());
    } catch (int code) {
        result.error = QStringLiteral("code %1").arg(code);
    }
    return result;
}

static QString PictureText(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        return QString();
    return QString::fromLatin1(bytes.toBase64());
}

class Base64Test : public QObject {
    Q_OBJECT

private slots:
    void decodedSize_data();
    void decodedSize();
    void decode_data();
    void decode();
    void missingParameter();
    void picture_data();
    void picture();
    void notPicture_data();
    void notPicture();
};

void Base64Test::decodedSize_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("size");
    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("one group") << 4 << 3;
    QTest::newRow("three groups") << 12 << 9;
    QTest::newRow("5 fails") << 5 << -1;
    QTest::newRow("3 fails") << 3 << -1;
}

void Base64Test::decodedSize()
{
    QFETCH(int, n);
    QFETCH(int, size);
    int result = -1;
    try {
        result = static_cast<int>(Base64DecodedSize(static_cast<std::size_t>(n)));
    } catch (const std::runtime_error& error) {
        QCOMPARE(QString::fromLatin1(error.what()),
            QStringLiteral("Invalid source, size is not a multiple of 4"));
    }
    QCOMPARE(result, size);
}

void Base64Test::decode_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("error");
    const QString none;
    QTest::newRow("empty") << QByteArray() << QByteArray() << 0 << none;
    QTest::newRow("three bytes") << QByteArray("TWFu") << QByteArray("Man") << 3 << none;
    QTest::newRow("alphabet ends")
        << QByteArray("+/9z") << QByteArray("\xfb\xff\x73", 3) << 3 << none;
    QTest::newRow("one pad counts two") << QByteArray("TWE=") << QByteArray("Ma\0", 3) << 2 << none;
    QTest::newRow("two pads count one")
        << QByteArray("TQ==") << QByteArray("M\0\0", 3) << 1 << none;
    QTest::newRow("pad inside the text goes on")
        << QByteArray("TQ==TWFu") << QByteArray("M\0\0Man", 6) << 4 << none;
    QTest::newRow("pad in position 0")
        << QByteArray("=WFu") << QByteArray() << -1 << QStringLiteral("code 4");
    QTest::newRow("pad in position 1")
        << QByteArray("T=Fu") << QByteArray() << -1 << QStringLiteral("code 5");
    QTest::newRow("url-safe minus")
        << QByteArray("TW-u") << QByteArray() << -1 << QStringLiteral("code 2");
    QTest::newRow("url-safe underscore")
        << QByteArray("TWF_") << QByteArray() << -1 << QStringLiteral("code 3");
    QTest::newRow("invalid first")
        << QByteArray("{WFu") << QByteArray() << -1 << QStringLiteral("code 0");
    QTest::newRow("byte above z") << QByteArray("T\x80"
                                                "Fu")
                                  << QByteArray() << -1 << QStringLiteral("code 1");
    QTest::newRow("zero byte") << QByteArray("TWF\0", 4) << QByteArray() << -1
                               << QStringLiteral("code 3");
    QTest::newRow("blank is not skipped here")
        << QByteArray("TW u") << QByteArray() << -1 << QStringLiteral("code 2");
}

void Base64Test::decode()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, bytes);
    QFETCH(int, count);
    QFETCH(QString, error);
    const Decoded result = Decode(source);
    QCOMPARE(result.error, error);
    if (error.isEmpty()) {
        QCOMPARE(result.count, count);
        QCOMPARE(result.bytes, bytes);
    }
}

void Base64Test::missingParameter()
{
    unsigned char out[3];
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, Base64Decode(nullptr, "TWFu", 4));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, Base64Decode(out, nullptr, 4));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, Base64Decode(out, "TWF", 3));
}

void Base64Test::picture_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSize>("size");
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (const char* format : { "png", "bmp", "jpg", "ico" }) {
        const QString text = PictureText(image, format);
        if (text.isEmpty()) {
            qWarning("no writer for %s", format);
            continue;
        }
        QTest::newRow(format) << text << QSize(7, 5);
    }
    // A 1 × 1 GIF; Qt reads GIF but has no writer for it.
    QTest::newRow("gif") << QStringLiteral(
        "R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7")
                         << QSize(1, 1);
    QString broken = PictureText(image, "png");
    for (qsizetype i = broken.size() - 8; i > 0; i -= 8)
        broken.insert(i, i % 16 == 0 ? QStringLiteral("\r\n\t ") : QStringLiteral("\n  "));
    QTest::newRow("png broken into indented lines") << broken << QSize(7, 5);
}

void Base64Test::picture()
{
    QFETCH(QString, text);
    QFETCH(QSize, size);
    QCOMPARE(LoadPictureFromText(text).size(), size);
}

void Base64Test::notPicture_data()
{
    QTest::addColumn<QString>("text");
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(Qt::blue);
    const QString png = PictureText(image, "png");
    QTest::newRow("empty") << QString();
    QTest::newRow("white space only") << QStringLiteral(" \r\n\t ");
    QTest::newRow("length not a multiple of 4") << png.chopped(1);
    QTest::newRow("url-safe character") << QString(png).replace(8, 1, u'-');
    QTest::newRow("not a picture") << QStringLiteral("TWFu");
    QTest::newRow("non-Latin character") << QString(png).replace(4, 1, QChar(0x0141));
}

void Base64Test::notPicture()
{
    QFETCH(QString, text);
    QVERIFY(LoadPictureFromText(text).isNull());
}

QTEST_GUILESS_MAIN(Base64Test)
#include "tst_base64.moc"
