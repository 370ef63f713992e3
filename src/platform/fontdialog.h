#pragma once
// The font chooser: a modal dialog over the installed screen fonts that opens
// on a font record and, after OK, leaves the chosen font in it. Besides face,
// style, size and effects it offers a "Script", the character set the font is
// to be used in, numbered as RTF's \fcharset numbers it. The colour list is
// shown for the sample only; the record has no colour.
// A hook answers the chooser in tests instead of a window.
#include <QDialog>
#include <QFontDatabase>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace platform {

// All zero until a font was chosen: no face, no size, any weight.
struct FontRecord {
    std::string face;        // Windows-1252; "" for none
    int pointSizeTenths = 0; // tenths of a point; 0 for none
    int weight = 0;          // 400 regular, 700 bold; 0 for any
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charSet = 0;         // RTF \fcharset number
    bool operator==(const FontRecord&) const = default;
};

inline constexpr int kRegularWeight = 400;
inline constexpr int kBoldWeight = 700;
// The largest size the chooser takes: twice it must fit RTF's 16-bit \fs.
inline constexpr int kLargestPointSize = 1638;

// The character sets a family covering `systems` can be used in, ascending by
// number. Latin covers Western, Turkish, Baltic and Central European; a family
// that covers none of the listed scripts is offered Western.
std::vector<int> CharSetsFor(const QList<QFontDatabase::WritingSystem>& systems);
// "Western", "Hebrew", ... for the numbers CharSetsFor gives; "" for others.
QString CharSetName(int charSet);

// A typed size: whole or with tenths ("10.5"), from 1 to 1638 points. Gives
// the size in tenths (rounded to the nearest tenth), or the reason it is refused.
struct SizeEntry {
    int tenths = 0;
    std::string refusal;  // Windows-1252; empty when the size is taken
};
SizeEntry ParsePointSize(const QString& text);
// "14" for 140 tenths, "10.5" for 105.
QString PointSizeText(int tenths);

// Opens the chooser modal over `owner` on `record`. After OK the record holds
// the chosen font and the result is true; after Cancel it is unchanged.
bool ChooseFont(FontRecord& record, QWidget* owner);

// For tests: answers instead of the window, given the record the chooser
// opens on; nullopt stands for Cancel.
using ChooseFontHook = std::function<std::optional<FontRecord>(const FontRecord& opening)>;
void SetChooseFontHook(ChooseFontHook hook);

// The chooser's window. OK takes the entries only when a listed face and a
// valid size are given; otherwise a message says what is missing and the
// dialog stays open. A click on a face, style or size does what choosing it
// with the keyboard does.
class FontChooserDialog : public QDialog {
public:
    explicit FontChooserDialog(QWidget* owner = nullptr);

    void SetRecord(const FontRecord& record);
    // The font chosen by the last accepted OK.
    const FontRecord& Chosen() const { return chosen_; }

    void accept() override;

    QLineEdit* FaceEdit() const { return faceEdit_; }
    QListWidget* FaceList() const { return faceList_; }
    QListWidget* StyleList() const { return styleList_; }
    QLineEdit* SizeEdit() const { return sizeEdit_; }
    QListWidget* SizeList() const { return sizeList_; }
    QCheckBox* StrikeOut() const { return strikeOut_; }
    QCheckBox* Underline() const { return underline_; }
    QComboBox* ColorList() const { return colorList_; }
    QComboBox* ScriptList() const { return scriptList_; }
    QLabel* Sample() const { return sample_; }

private:
    void buildControls();
    void faceTyped(const QString& text);
    void faceSelected();
    void familyChanged(const QString& family);
    void sizeTyped(const QString& text);
    void updateSample();
    QString selectedFamily() const;
    bool refuse(const std::string& message);

    QLineEdit* faceEdit_ = nullptr;
    QListWidget* faceList_ = nullptr;
    QListWidget* styleList_ = nullptr;
    QLineEdit* sizeEdit_ = nullptr;
    QListWidget* sizeList_ = nullptr;
    QCheckBox* strikeOut_ = nullptr;
    QCheckBox* underline_ = nullptr;
    QComboBox* colorList_ = nullptr;
    QComboBox* scriptList_ = nullptr;
    QLabel* sample_ = nullptr;
    FontRecord chosen_;
};

}  // namespace platform
