// kvr-docs: the manual from its Markdown source, and the icon's pictures,
// with Qt alone (no TeX, no converter programs).
// Usage: kvr-docs pdf MANUAL.md IMAGEDIR TITLE OUT.pdf
//        kvr-docs html MANUAL.md IMAGEDIR TITLE OUT.html
//        kvr-docs png ICON.svg SIZE OUT.png
// The PDF carries no time and no random id of the build: its date comes from
// SOURCE_DATE_EPOCH (the last commit), so two builds give the same file.
#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextTable>
#include <QUuid>
#include <cstdio>
#include <cstdlib>

namespace {

int Fail(const QString& text) {
    std::fprintf(stderr, "kvr-docs: %s\n", qPrintable(text));
    return 1;
}

QDateTime SourceDate() {
    bool ok = false;
    const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
    return QDateTime::fromSecsSinceEpoch(ok ? epoch : 0, Qt::UTC);
}

// The manual with its pictures: every image the Markdown names must be in
// IMAGEDIR, shown at most as wide as the text.
bool LoadManual(QTextDocument& doc, const QString& source, const QString& images, qreal width,
                QString& problem) {
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly)) {
        problem = source + QStringLiteral(": cannot read");
        return false;
    }
    doc.setMarkdown(QString::fromUtf8(file.readAll()), QTextDocument::MarkdownDialectGitHub);
    // Tables with room inside their cells and single rules, across the text.
    for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(frame)) {
            QTextTableFormat format = table->format();
            format.setCellPadding(3);
            format.setCellSpacing(0);
            format.setBorderCollapse(true);
            format.setBorderBrush(QColor(0x80, 0x80, 0x80));
            format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
            table->setFormat(format);
        }
    }
    const QDir dir(images);
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat()) continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const QImage image(dir.filePath(format.name()));
            if (image.isNull()) {
                problem = source + QStringLiteral(": picture missing: ") + format.name();
                return false;
            }
            doc.addResource(QTextDocument::ImageResource, QUrl(format.name()), image);
            // Screenshots are taken at twice the screen's scale.
            const qreal shown = qMin(width, image.width() / 2.0);
            format.setWidth(shown);
            format.setHeight(shown * image.height() / image.width());
            QTextCursor cursor(&doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
    return true;
}

// Qt stamps the PDF with the time of writing and a random document id; both
// are replaced in place by ones of the same length, so the cross-reference
// offsets stay right.
QByteArray Reproducible(QByteArray pdf, const QString& title) {
    const QString date = SourceDate().toString(QStringLiteral("yyyyMMddHHmmss"));
    static const QRegularExpression stamp(QStringLiteral("\\(D:\\d{14}"));
    QString text = QString::fromLatin1(pdf);
    text.replace(stamp, QStringLiteral("(D:") + date);
    static const QRegularExpression xmpDate(
        QStringLiteral("(<xmp:(?:CreateDate|ModifyDate|MetadataDate)>)[^<]{19}"));
    text.replace(xmpDate, QStringLiteral("\\1") + SourceDate().toString(Qt::ISODate).left(19));
    // The id: a UUID in the trailer and the metadata, derived from the title.
    static const QRegularExpression uuid(
        QStringLiteral("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}"));
    static const QRegularExpression hexId(QStringLiteral("<[0-9a-f]{32}>"));
    const QUuid fixed = QUuid::createUuidV5(QUuid(), title);
    text.replace(uuid, fixed.toString(QUuid::WithoutBraces));
    text.replace(hexId, QStringLiteral("<") + fixed.toString(QUuid::Id128) + QStringLiteral(">"));
    return text.toLatin1();
}

int WritePdf(const QString& source, const QString& images, const QString& title,
             const QString& out) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("kvrsetup"));
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(20, 18, 20, 18), QPageLayout::Millimeter);
        writer.setResolution(300);
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 10));
        const QRectF page = writer.pageLayout().paintRect(QPageLayout::Point);
        QString problem;
        if (!LoadManual(doc, source, images, page.width() * 0.9, problem)) return Fail(problem);
        doc.print(&writer);
    }
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly) || file.write(Reproducible(buffer.data(), title)) < 0)
        return Fail(out + QStringLiteral(": cannot write"));
    return 0;
}

int WriteHtml(const QString& source, const QString& images, const QString& title,
              const QString& out) {
    QTextDocument doc;
    // The reader's own sans-serif font on the web page.
    doc.setDefaultFont(QFont(QStringLiteral("sans-serif"), 11));
    QString problem;
    if (!LoadManual(doc, source, images, 700, problem)) return Fail(problem);
    doc.setMetaInformation(QTextDocument::DocumentTitle, title);
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly) || file.write(doc.toHtml().toUtf8()) < 0)
        return Fail(out + QStringLiteral(": cannot write"));
    return 0;
}

int WritePng(const QString& svg, int size, const QString& out) {
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) return Fail(svg + QStringLiteral(": not a picture"));
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    if (!image.save(out, "PNG")) return Fail(out + QStringLiteral(": cannot write"));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 6 && args[1] == QStringLiteral("pdf")) {
        return WritePdf(args[2], args[3], args[4], args[5]);
    }
    if (args.size() == 6 && args[1] == QStringLiteral("html")) {
        return WriteHtml(args[2], args[3], args[4], args[5]);
    }
    if (args.size() == 5 && args[1] == QStringLiteral("png")) {
        return WritePng(args[2], args[3].toInt(), args[4]);
    }
    std::fprintf(stderr,
                 "usage: kvr-docs pdf|html MANUAL.md IMAGEDIR TITLE OUT\n"
                 "       kvr-docs png ICON.svg SIZE OUT.png\n");
    return 2;
}
