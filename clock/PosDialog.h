#pragma once
// CPosDialog: the position settings ("座標設定"): the main window's place and size, topmost,
// frame, plug-in folder, still images, skin, background picture, buttons and text, the text's
// colour and font. The owner fills the values, shows the dialog and applies them after OK;
// Cancel leaves them as they were.

#include "skin/DialogEx.h"
#include "skin/FontRecord.h"

#include <QRect>
#include <QSize>

struct PositionValues
{
    QRect window; // the main window's frame rectangle
    bool topmost = true;
    bool border = false;
    QString plugIn;
    int waitTime = 1; // seconds
    bool dsFirst = false;
    bool stillWindow = true;
    bool useThema = true;
    QString thema;
    QString back;
    bool match = true;
    bool btnShow = true;
    bool dispString = true;
    COLORREF colour = 0x99FF66;
    FontRecord font;

    friend bool operator==(const PositionValues&, const PositionValues&) = default;
};

class CPosDialog : public CDialogEx
{
    Q_OBJECT
public:
    static constexpr int kX = 1020;
    static constexpr int kY = 1021;
    static constexpr int kWidth = 1022;
    static constexpr int kHeight = 1023;
    static constexpr int kTopmost = 1038;
    static constexpr int kBorder = 1043;
    static constexpr int kPlugIn = 1026;
    static constexpr int kPlugInBrowse = 1010;
    static constexpr int kWaitTime = 1028;
    static constexpr int kDsFirst = 1029;
    static constexpr int kStillWindow = 1046;
    static constexpr int kUseThema = 1041;
    static constexpr int kThema = 1039;
    static constexpr int kThemaBrowse = 1040;
    static constexpr int kBack = 1024;
    static constexpr int kBackBrowse = 1008;
    static constexpr int kMatch = 1030;
    static constexpr int kBtnShow = 1025;
    static constexpr int kDispString = 1045;
    static constexpr int kColour = 1009;
    static constexpr int kFont = 1031;

    // `frame` is the width and height the window's frame adds to its size (0, 0 without one).
    CPosDialog(const PositionValues& values, QSize frame, QWidget* parent = nullptr);

    // The values as the user left them; read after OK.
    const PositionValues& Values() const { return values; }

    void accept() override;

protected:
    void OnInitDialog() override;

private:
    // With the skin in use, the skin decides the size and the picture.
    void ApplySkinRule();
    void OnColour();
    void OnFont();

    PositionValues values;
    QSize frame;
};
