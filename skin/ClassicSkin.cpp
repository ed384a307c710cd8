#include "ClassicSkin.h"

#include "Dib.h"
#include "DibFromImage.h"

#include "platform/PathSplit.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QImageReader>

#include <cstring>

namespace {

constexpr int kPanelRows = 116;
constexpr int kRows = 2 * kPanelRows;
constexpr qint64 kBlockBytes = 203728;
constexpr int kButtonsWidth = 136;

struct Panel
{
    CDib dib;
    bool present = false;
};

// `rows` stored rows of `width` pixels, bottom-up, from a panel's top `rows` picture rows.
bool Usable(const CDib& dib, int bitCount, int minWidth, int minRows)
{
    const DibHeader& h = dib.Header();
    return !dib.IsEmpty() && h.valid && !h.core && h.compression == 0 && h.bitCount == bitCount &&
           !h.TopDown() && h.width >= minWidth && h.AbsHeight() >= minRows &&
           h.PixelOffset() + h.RowBytes() * h.AbsHeight() <= dib.Block().size();
}

const char* StoredRow(const CDib& dib, int storedRow)
{
    const DibHeader& h = dib.Header();
    return dib.Block().constData() + h.PixelOffset() + h.RowBytes() * storedRow;
}

// Loads picture `name` of `folder`: "name.bmp", else "name.png", in any letter case (skins
// made on Windows have "Main.bmp" and "CBUTTONS.BMP"). A PNG becomes a 24-bit bitmap.
bool LoadPicture(CDib& dib, const QString& folder, const QString& name)
{
    if (const QString bmp = platform::FindPathIgnoringCase(folder, name + QStringLiteral(".bmp"));
        !bmp.isEmpty())
        // The BMP reader only: a skin's bitmaps never go to the image plug-ins.
        return dib.Load(bmp, 0, true);
    const QString png = platform::FindPathIgnoringCase(folder, name + QStringLiteral(".png"));
    QFile file;
    if (png.isEmpty() || !platform::OpenRegularFile(file, png))
        return false;
    QImageReader reader(&file, "png");
    return dib.Attach(DibFromImage(reader.read()));
}

// Makes `dib` a 24-bit bitmap of the same picture; false when its picture cannot be read.
bool ToTrueColour(CDib& dib)
{
    QByteArray block = DibFromImage(dib.Image());
    return !block.isEmpty() && dib.Attach(std::move(block));
}

} // namespace

bool ComposeClassicSkin(CDib& dib, const QString& folder, bool mainFirst)
{
    CDib titlebar, main, eq, buttons;
    const bool hasTitlebar = LoadPicture(titlebar, folder, QStringLiteral("titlebar"));
    LoadPicture(main, folder, QStringLiteral("main"));
    LoadPicture(eq, folder, QStringLiteral("eqmain"));
    LoadPicture(buttons, folder, QStringLiteral("cbuttons"));
    if (!hasTitlebar || main.IsEmpty() || buttons.IsEmpty())
        return false;
    // Panels of different depths (a PNG among bitmaps, 8-bit buttons on a 24-bit main panel)
    // are all made 24-bit, so their rows can be copied into one picture. The title bar is not
    // part of the picture.
    const int mainBits = main.Header().bitCount;
    if (buttons.Header().bitCount != mainBits || (!eq.IsEmpty() && eq.Header().bitCount != mainBits)) {
        if (!ToTrueColour(main) || !ToTrueColour(buttons))
            return false;
        if (!eq.IsEmpty() && !ToTrueColour(eq))
            eq.Clear();
    }

    const DibHeader& mh = main.Header();
    const int bitCount = mh.bitCount;
    const int width = mh.width;
    const qint64 rowBytes = mh.RowBytes();
    const qint64 headBytes = mh.PixelOffset();
    // The buttons are pasted at column 136 + 22 pixels and rows down to 40 of cbuttons.bmp.
    if (!Usable(main, bitCount, kButtonsWidth + 22, kPanelRows) || bitCount < 4 ||
        !Usable(buttons, bitCount, kButtonsWidth, 36) || headBytes + rowBytes * kRows > kBlockBytes ||
        mh.headerSize != 40)
        return false;
    const bool eqUsable = Usable(eq, bitCount, width, kPanelRows);

    QByteArray block(kBlockBytes, '\0');
    std::memcpy(block.data(), main.Block().constData(), static_cast<size_t>(headBytes));
    WriteLe32(block.data() + 8, kRows);
    WriteLe32(block.data() + 24, 0); // resolution
    WriteLe32(block.data() + 28, 0);
    char* rows = block.data() + headBytes;

    // A panel's top 116 picture rows are its last 116 stored rows.
    const auto copyPanel = [&](const CDib& panel, int firstStoredRow) {
        const int skip = panel.Header().AbsHeight() - kPanelRows;
        for (int r = 0; r < kPanelRows; ++r)
            std::memcpy(rows + (firstStoredRow + r) * rowBytes, StoredRow(panel, skip + r),
                        static_cast<size_t>(rowBytes));
    };
    const int mainRow = mainFirst ? kPanelRows : 0;
    copyPanel(main, mainRow);
    if (eqUsable)
        copyPanel(eq, mainFirst ? 0 : kPanelRows);

    const auto paste = [&](int sourceRow, int sourceColumn, int pixels, int count, int targetRow,
                           int targetColumn) {
        for (int r = 0; r < count; ++r)
            std::memcpy(rows + (targetRow + r) * rowBytes + targetColumn * bitCount / 8,
                        StoredRow(buttons, sourceRow + r) + sourceColumn * bitCount / 8,
                        static_cast<size_t>(pixels * bitCount / 8));
    };
    // In a 36-row cbuttons.bmp, stored rows 18 and 20 on are the top rows of its picture.
    paste(18, 0, 114, 18, mainRow + 10, 16);
    paste(20, 114, 22, 16, mainRow + 11, 136);
    return dib.Attach(block);
}
