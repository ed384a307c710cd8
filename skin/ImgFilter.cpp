#include "ImgFilter.h"

#include <QVector>

namespace {

bool Readable(const DibHeader& h, const QByteArray& block)
{
    return h.valid && !h.core && h.headerSize == 40 && h.compression == 0 && h.bitCount == 24 &&
           h.height > 0 && h.width > 0 && h.PixelOffset() + h.RowBytes() * h.height <= block.size();
}

// Cells of one colour, row by row: runs of matching pixels become one rectangle each, and rows
// with the same runs as the row above extend that row's rectangles downwards.
class RegionBuilder
{
public:
    RegionBuilder(int w, int h, int W, int H) : w(w), h(h), W(W), H(H) {}

    void Run(int y, int x0, int x1) // pixels x0 .. x1-1 of row y
    {
        if (y != rowY)
            FinishRow(y);
        runs.push_back({x0, x1});
    }
    QRegion Finish()
    {
        FinishRow(-1);
        FlushBand();
        if (!rectsSorted)
            return united;
        QRegion result;
        result.setRects(rects.constData(), static_cast<int>(rects.size()));
        return result;
    }

private:
    struct Span
    {
        int x0, x1;
        bool operator==(const Span&) const = default;
    };
    int CellLeft(int x) const { return static_cast<int>(static_cast<qint64>(x) * W / w); }
    int CellRight(int x) const { return static_cast<int>((static_cast<qint64>(x + 1) * W + w / 2 - 1) / w); }
    int CellTop(int y) const { return static_cast<int>(static_cast<qint64>(y) * H / h); }
    int CellBottom(int y) const { return static_cast<int>((static_cast<qint64>(y + 1) * H + h / 2 - 1) / h); }

    void FinishRow(int nextY)
    {
        if (rowY >= 0 && !runs.empty()) {
            if (bandRuns == runs && bandLastY == rowY - 1) {
                bandLastY = rowY;
            } else {
                FlushBand();
                bandRuns = runs;
                bandFirstY = bandLastY = rowY;
            }
        }
        runs.clear();
        rowY = nextY;
    }
    void FlushBand()
    {
        if (bandRuns.empty())
            return;
        const int top = CellTop(bandFirstY);
        const int bottom = CellBottom(bandLastY);
        // Scaled cells may reach into the band above; from then on bands are joined the slow way.
        if (top < lastBottom && rectsSorted) {
            rectsSorted = false;
            united.setRects(rects.constData(), static_cast<int>(rects.size()));
        }
        QVector<QRect> bandRects;
        int right = -1;
        for (const Span& span : bandRuns) {
            const int left = CellLeft(span.x0);
            const int r = CellRight(span.x1 - 1);
            if (left <= right && !bandRects.isEmpty())
                bandRects.last().setRight(r - 1);
            else if (r > left)
                bandRects.append(QRect(QPoint(left, top), QPoint(r - 1, bottom - 1)));
            right = r;
        }
        if (bottom > top && rectsSorted) {
            rects += bandRects;
        } else if (bottom > top) {
            QRegion band;
            band.setRects(bandRects.constData(), static_cast<int>(bandRects.size()));
            united += band;
        }
        lastBottom = std::max(lastBottom, bottom);
        bandRuns.clear();
    }

    const int w, h, W, H;
    int rowY = -1;
    std::vector<Span> runs;
    std::vector<Span> bandRuns;
    int bandFirstY = 0;
    int bandLastY = -2;
    int lastBottom = 0;
    bool rectsSorted = true;
    QVector<QRect> rects;
    QRegion united;
};

} // namespace

std::optional<QRegion> CImgFilter::SelectColour(const CDib& dib, COLORREF colour, const QRect& rect)
{
    auto regions = SelectColours(dib, {colour}, rect);
    const auto found = regions.find(colour);
    if (found == regions.end())
        return std::nullopt;
    return found->second;
}

std::map<COLORREF, QRegion> CImgFilter::SelectColours(const CDib& dib, const std::vector<COLORREF>& colours,
                                                      const QRect& rect)
{
    std::map<COLORREF, QRegion> result;
    cells = 0;
    const DibHeader& h = dib.Header();
    const QByteArray& block = dib.Block();
    if (!Readable(h, block) || !AcceptPicture(h) || colours.empty())
        return result;
    const int W = rect.width();
    const int H = rect.height();
    std::map<COLORREF, RegionBuilder> builders;
    for (COLORREF c : colours)
        builders.try_emplace(c, h.width, h.height, W, H);

    const qint64 rowBytes = h.RowBytes();
    const auto* rows = reinterpret_cast<const unsigned char*>(block.constData() + h.PixelOffset());
    for (int y = 0; y < h.height; ++y) {
        const unsigned char* p = rows + (static_cast<qint64>(h.height) - 1 - y) * rowBytes;
        int x = 0;
        while (x < h.width) {
            const COLORREF c = RGB(p[3 * x + 2], p[3 * x + 1], p[3 * x]);
            const auto builder = builders.find(c);
            if (builder == builders.end()) {
                ++x;
                continue;
            }
            int end = x;
            while (end < h.width && RGB(p[3 * end + 2], p[3 * end + 1], p[3 * end]) == c &&
                   AcceptPixel(end, y))
                ++end;
            if (end == x) {
                ++x;
                continue;
            }
            cells += end - x;
            builder->second.Run(y, x, end);
            x = end;
        }
    }
    for (auto& [c, builder] : builders) {
        QRegion built = builder.Finish();
        if (!built.isEmpty() && AcceptRegion(built))
            result.emplace(c, std::move(built));
    }
    if (colours.size() == 1 && !result.empty())
        region = result.begin()->second;
    return result;
}
