#include "desktop/picture_facts.h"

#include "document/korvo_doc.h"
#include "export/indexed_picture.h"
#include "export/quality.h"

#include <QtConcurrent/QtConcurrentRun>
#include <new>

namespace {

// A palette picture: every entry with its pixels, and the index of every pixel.
ColourCount CountEntries(const DibHandle& dib) {
    ColourCount count;
    count.palette = true;
    std::string reason;
    IndexedPicture picture = ToIndexed(dib, reason);
    if (picture.indices.empty()) {
        count.failure = QString::fromStdString(reason);
        return count;
    }
    count.pixels = std::int64_t(picture.indices.size());
    count.entries.resize(picture.palette.size());
    for (std::size_t i = 0; i < picture.palette.size(); ++i)
        count.entries[i].colour = picture.palette[i];
    for (const std::uint8_t index : picture.indices)
        ++count.entries[index].pixels;
    count.indices = std::make_shared<const std::vector<std::uint8_t>>(std::move(picture.indices));
    return count;
}

// A true-colour picture: its distinct colours, one bit for each of the 2^24 there can be.
ColourCount CountDistinct(const QImage& image) {
    ColourCount count;
    std::vector<std::uint64_t> seen;
    try {
        seen.assign(std::size_t{1} << 18, 0);
    } catch (const std::bad_alloc&) {
        count.failure = QStringLiteral("not enough memory to count the colors");
        return count;
    }
    int distinct = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const std::uint32_t v = row[x] & 0xFFFFFFu;
            std::uint64_t& word = seen[v >> 6];
            const std::uint64_t bit = std::uint64_t{1} << (v & 63);
            if (!(word & bit)) {
                word |= bit;
                ++distinct;
            }
        }
    }
    count.pixels = std::int64_t(image.width()) * image.height();
    count.distinct = distinct;
    return count;
}

} // namespace

CPictureFacts::CPictureFacts(CKorvoDoc* doc) : QObject(doc), m_pDoc(doc) {
    setObjectName(QStringLiteral("pictureFacts"));
    connect(&m_colourWatcher, &QFutureWatcher<ColourCount>::finished, this, [this] {
        m_colours = m_colourWatcher.result();
        m_bColoursKnown = true;
        emit Changed();
    });
    connect(&m_qualityWatcher, &QFutureWatcher<QString>::finished, this, [this] {
        m_strQuality = m_qualityWatcher.result();
        emit Changed();
    });
}

CPictureFacts* CPictureFacts::Of(CKorvoDoc* doc) {
    auto* facts = doc->findChild<CPictureFacts*>(QString(), Qt::FindDirectChildrenOnly);
    return facts ? facts : new CPictureFacts(doc);
}

void CPictureFacts::RequestColours() {
    if (m_bColoursRequested || !m_pDoc->HasDib())
        return;
    m_bColoursRequested = true;
    if (DibGetBitCount(m_pDoc->m_hDib.data()) <= 8) {
        // Indices come from the picture itself: two entries of one colour stay apart.
        auto copy = std::make_shared<DibHandle>(DibDuplicate(m_pDoc->m_hDib));
        if (!*copy) {
            m_colours.failure = QStringLiteral("not enough memory to count the colors");
            m_bColoursKnown = true;
            emit Changed();
            return;
        }
        m_colourWatcher.setFuture(QtConcurrent::run([copy] { return CountEntries(*copy); }));
    } else {
        // The display image holds the colours as read; a copy of it shares its pixels.
        m_colourWatcher.setFuture(
            QtConcurrent::run([image = m_pDoc->DisplayImage()] { return CountDistinct(image); }));
    }
}

void CPictureFacts::RequestQuality() {
    const CKorvoDoc* source = m_pDoc->m_pSource;
    if (m_bQualityRequested || !source || !source->HasDib() || !m_pDoc->HasDib())
        return;
    m_bQualityRequested = true;
    auto pair = std::make_shared<std::pair<DibHandle, DibHandle>>(DibDuplicate(source->m_hDib),
                                                                  DibDuplicate(m_pDoc->m_hDib));
    if (!pair->first || !pair->second) {
        m_strQuality = QStringLiteral("not enough memory to measure the result");
        emit Changed();
        return;
    }
    m_qualityWatcher.setFuture(QtConcurrent::run([pair]() -> QString {
        const QualityFigures figures = MeasureQuality(pair->first, pair->second);
        return QString::fromStdString(figures.failure.empty() ? ::QualityText(figures)
                                                              : figures.failure);
    }));
}

std::uint32_t CPictureFacts::Dimmed(std::uint32_t rgb) {
    std::uint32_t out = 0;
    for (int shift : {0, 8, 16})
        out |= ((((rgb >> shift) & 0xFFu) + 3 * 0x80u) / 4) << shift;
    return out;
}

QImage CPictureFacts::Highlighted(int index) const {
    const QImage& shown = m_pDoc->DisplayImage();
    const auto& indices = m_colours.indices;
    if (!m_bColoursKnown || !indices || shown.isNull() ||
        std::int64_t(indices->size()) != std::int64_t(shown.width()) * shown.height())
        return {};
    QImage image(shown.size(), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const std::uint8_t* at = indices->data();
    for (int y = 0; y < shown.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < shown.width(); ++x, ++at)
            out[x] = *at == index ? in[x] : (0xFF000000u | Dimmed(in[x]));
    }
    return image;
}
