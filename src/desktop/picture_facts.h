// What the program works out about a picture in the background, once per document: how many
// pixels each palette entry has (or, for a true-colour picture, how many distinct colours there
// are) for the palette view, and for a run result the quality figures against its source, made
// by the code of xkorvo-cli --stats. The facts live as a child of their document; the workers
// hold copies of what they read, so a document may close while they run and their answer is
// then simply dropped.
#pragma once

#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class CKorvoDoc;

struct PaletteEntry {
    std::uint32_t colour = 0; // 0x00RRGGBB
    std::int64_t pixels = 0;
};

// What the count of a picture's colours found.
struct ColourCount {
    bool palette = false;              // a palette picture: `entries` in index order
    std::vector<PaletteEntry> entries; // one per palette entry
    // One palette index per pixel, top row first; shared with the highlight pictures made
    // from it. Null for a true-colour picture.
    std::shared_ptr<const std::vector<std::uint8_t>> indices;
    std::int64_t pixels = 0;
    int distinct = -1; // distinct colours of a true-colour picture
    QString failure;   // why nothing was counted; empty when counted
};

class CPictureFacts : public QObject {
    Q_OBJECT
public:
    // The facts of `doc`, made on the first call.
    static CPictureFacts* Of(CKorvoDoc* doc);

    // Starts counting the picture's colours, once; Changed() tells when the count is known.
    void RequestColours();
    // Starts measuring a run result against its source, once, while the source is open.
    void RequestQuality();

    bool ColoursKnown() const { return m_bColoursKnown; }
    const ColourCount& Colours() const { return m_colours; }
    // "N colors, PSNR x.xx dB, mean CIEDE2000 y.yyy" or why there are no figures; empty while
    // they are measured and for a picture that is no run result.
    const QString& QualityText() const { return m_strQuality; }
    bool QualityPending() const { return m_qualityWatcher.isRunning(); }

    // The picture as shown, with every pixel that does not belong to palette entry `index`
    // dimmed; null while the colours are not counted or for a true-colour picture.
    QImage Highlighted(int index) const;
    // A dimmed colour: three quarters of the way to middle grey, so every colour but that grey
    // changes and the highlighted entry stands out.
    static std::uint32_t Dimmed(std::uint32_t rgb);

signals:
    void Changed();

private:
    explicit CPictureFacts(CKorvoDoc* doc);

    CKorvoDoc* m_pDoc; // the parent
    bool m_bColoursRequested = false;
    bool m_bColoursKnown = false;
    bool m_bQualityRequested = false;
    ColourCount m_colours;
    QString m_strQuality;
    QFutureWatcher<ColourCount> m_colourWatcher;
    QFutureWatcher<QString> m_qualityWatcher;
};
