#include "platform/fontdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "files/ansi.h"
#include "platform/dialogs.h"
#include "rtf/codepage.h"

namespace platform {
namespace {

ChooseFontHook g_hook;

constexpr const char* kTitle = "Font";

// The sixteen colours of the colour list; the first is the one it opens on.
constexpr struct {
    const char* name;
    QRgb rgb;
} kColors[] = {
    {"Black", 0x000000},  {"Maroon", 0x800000}, {"Green", 0x008000}, {"Olive", 0x808000},
    {"Navy", 0x000080},   {"Purple", 0x800080}, {"Teal", 0x008080},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0xFF0000},    {"Lime", 0x00FF00},  {"Yellow", 0xFFFF00},
    {"Blue", 0x0000FF},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0x00FFFF}, {"White", 0xFFFFFF},
};

// The four styles a face can be had in, in the order the style list shows them.
struct Style {
    const char* name;
    bool bold;
    bool italic;
};
constexpr Style kStyles[] = {
    {"Regular", false, false}, {"Italic", false, true}, {"Bold", true, false}, {"Bold Italic", true, true}};

std::vector<Style> stylesOf(const QString& family) {
    bool offered[4] = {};
    for (const QString& s : QFontDatabase::styles(family)) {
        const QFont f = QFontDatabase::font(family, s, 12);
        const bool bold = f.weight() >= QFont::DemiBold;
        const bool italic = f.style() != QFont::StyleNormal;
        offered[(bold ? 2 : 0) + (italic ? 1 : 0)] = true;
    }
    std::vector<Style> result;
    for (int i = 0; i < 4; ++i)
        if (offered[i]) result.push_back(kStyles[i]);
    if (result.empty()) result.push_back(kStyles[0]);
    return result;
}

bool representableInAnsi(const QString& text) {
    for (const char32_t c : text.toUcs4())
        if (ansi::fromUnicode(c) < 0) return false;
    return true;
}

int rowOf(const QListWidget* list, const QString& text, Qt::MatchFlags flags) {
    const auto found = list->findItems(text, flags);
    return found.isEmpty() ? -1 : list->row(found.first());
}

void selectRowQuietly(QListWidget* list, int row) {
    const QSignalBlocker block(list);
    list->setCurrentRow(row);
    if (row < 0) list->clearSelection();
    else list->scrollToItem(list->item(row));
}

}  // namespace

std::vector<int> CharSetsFor(const QList<QFontDatabase::WritingSystem>& systems) {
    std::vector<int> result;
    for (const codepage::Charset& c : codepage::charsets())
        if (systems.contains(c.system)) result.push_back(c.number);
    if (result.empty()) result.push_back(0);
    return result;
}

QString CharSetName(int charSet) {
    const codepage::Charset* c = codepage::byNumber(charSet);
    return c ? QString::fromLatin1(c->script) : QString();
}

SizeEntry ParsePointSize(const QString& text) {
    const QString typed = text.trimmed();
    if (typed.isEmpty()) return {0, "Enter a size in points, such as 12 or 10.5."};
    bool ok = false;
    const double points = QLocale::c().toDouble(typed, &ok);
    if (!ok || !std::isfinite(points))
        return {0, "The size \"" + ansi::fromQString(typed) +
                       "\" is not a number. Enter a size in points, such as 12 or 10.5."};
    if (points < 1 || points > kLargestPointSize)
        return {0, "The size must be from 1 to " + std::to_string(kLargestPointSize) + " points."};
    return {static_cast<int>(std::lround(points * 10)), {}};
}

QString PointSizeText(int tenths) {
    if (tenths % 10 == 0) return QString::number(tenths / 10);
    return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
}

bool ChooseFont(FontRecord& record, QWidget* owner) {
    if (g_hook) {
        auto answer = g_hook(record);
        if (answer) record = *answer;
        return answer.has_value();
    }
    FontChooserDialog dialog(owner);
    dialog.SetRecord(record);
    if (!owner || !owner->isVisible()) {
        // A hidden owner gives the dialog no place: centre it on the window
        // the user works in, within the screen.
        const QWidget* active = QApplication::activeWindow();
        const QScreen* screen = active ? active->screen() : QGuiApplication::primaryScreen();
        const QRect bounds = screen ? screen->availableGeometry() : QRect();
        const QRect area = active && active->isVisible() ? active->frameGeometry() : bounds;
        dialog.adjustSize();
        QRect place = dialog.frameGeometry();
        place.moveCenter(area.center());
        if (bounds.isValid()) {
            place.moveRight(std::min(place.right(), bounds.right()));
            place.moveBottom(std::min(place.bottom(), bounds.bottom()));
            place.moveLeft(std::max(place.left(), bounds.left()));
            place.moveTop(std::max(place.top(), bounds.top()));
        }
        dialog.move(place.topLeft());
    }
    if (dialog.exec() != QDialog::Accepted) return false;
    record = dialog.Chosen();
    return true;
}

void SetChooseFontHook(ChooseFontHook hook) { g_hook = std::move(hook); }

FontChooserDialog::FontChooserDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QString::fromLatin1(kTitle));
    setModal(true);
    buildControls();
}

void FontChooserDialog::buildControls() {
    auto* grid = new QGridLayout(this);
    const auto caption = [this](const char* text, QWidget* buddy) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setBuddy(buddy);
        return label;
    };

    faceEdit_ = new QLineEdit(this);
    faceList_ = new QListWidget(this);
    faceList_->addItems(QFontDatabase::families());
    styleList_ = new QListWidget(this);
    sizeEdit_ = new QLineEdit(this);
    sizeList_ = new QListWidget(this);
    grid->addWidget(caption("&Font:", faceEdit_), 0, 0);
    grid->addWidget(faceEdit_, 1, 0);
    grid->addWidget(faceList_, 2, 0);
    grid->addWidget(caption("Font st&yle:", styleList_), 0, 1);
    grid->addWidget(styleList_, 1, 1, 2, 1);
    grid->addWidget(caption("&Size:", sizeEdit_), 0, 2);
    grid->addWidget(sizeEdit_, 1, 2);
    grid->addWidget(sizeList_, 2, 2);
    grid->setColumnStretch(0, 5);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(2, 2);

    auto* effects = new QGroupBox(QStringLiteral("Effects"), this);
    auto* effectsLayout = new QVBoxLayout(effects);
    strikeOut_ = new QCheckBox(QStringLiteral("Stri&keout"), effects);
    underline_ = new QCheckBox(QStringLiteral("&Underline"), effects);
    colorList_ = new QComboBox(effects);
    for (const auto& c : kColors) {
        QPixmap swatch(14, 14);
        swatch.fill(QColor::fromRgb(c.rgb));
        QPainter(&swatch).drawRect(0, 0, 13, 13);
        colorList_->addItem(QIcon(swatch), QString::fromLatin1(c.name), QColor::fromRgb(c.rgb));
    }
    effectsLayout->addWidget(strikeOut_);
    effectsLayout->addWidget(underline_);
    effectsLayout->addWidget(caption("&Color:", colorList_));
    effectsLayout->addWidget(colorList_);
    effectsLayout->addStretch();
    grid->addWidget(effects, 3, 0);

    auto* sampleBox = new QGroupBox(QStringLiteral("Sample"), this);
    auto* sampleLayout = new QVBoxLayout(sampleBox);
    sample_ = new QLabel(sampleBox);
    sample_->setAlignment(Qt::AlignCenter);
    sample_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sample_->setFixedHeight(72);
    sample_->setMinimumWidth(220);
    scriptList_ = new QComboBox(sampleBox);
    sampleLayout->addWidget(sample_);
    sampleLayout->addWidget(caption("Sc&ript:", scriptList_));
    sampleLayout->addWidget(scriptList_);
    grid->addWidget(sampleBox, 3, 1, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    grid->addWidget(buttons, 4, 0, 1, 3);

    connect(buttons, &QDialogButtonBox::accepted, this, &FontChooserDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FontChooserDialog::reject);
    connect(faceEdit_, &QLineEdit::textEdited, this, [this](const QString& t) { faceTyped(t); });
    // The face follows the selection, which the keyboard changes with the
    // current row and the mouse after it; a click on the face already
    // selected takes it into the field too.
    connect(faceList_, &QListWidget::itemSelectionChanged, this, [this] { faceSelected(); });
    connect(faceList_, &QListWidget::itemClicked, this, [this](const QListWidgetItem* item) {
        if (item->text() != faceEdit_->text()) faceSelected();
    });
    connect(styleList_, &QListWidget::currentRowChanged, this, [this] { updateSample(); });
    connect(sizeEdit_, &QLineEdit::textEdited, this, [this](const QString& t) { sizeTyped(t); });
    connect(sizeList_, &QListWidget::currentTextChanged, this, [this](const QString& t) {
        if (!t.isEmpty()) sizeEdit_->setText(t);
        updateSample();
    });
    connect(strikeOut_, &QCheckBox::toggled, this, [this] { updateSample(); });
    connect(underline_, &QCheckBox::toggled, this, [this] { updateSample(); });
    connect(colorList_, &QComboBox::currentIndexChanged, this, [this] { updateSample(); });
    connect(scriptList_, &QComboBox::currentIndexChanged, this, [this] { updateSample(); });
}

void FontChooserDialog::SetRecord(const FontRecord& record) {
    const QString face = ansi::toQString(record.face).trimmed();
    const int row = face.isEmpty() ? -1 : rowOf(faceList_, face, Qt::MatchFixedString);
    selectRowQuietly(faceList_, row);
    faceEdit_->setText(row < 0 ? face : faceList_->item(row)->text());
    // The script list follows the face; the record's character set is chosen
    // in it before the face's own default.
    scriptList_->clear();
    scriptList_->addItem(CharSetName(record.charSet), record.charSet);
    familyChanged(row < 0 ? QString() : faceList_->item(row)->text());

    const bool bold = record.weight >= QFont::DemiBold;
    for (int i = 0; i < styleList_->count(); ++i) {
        const auto style = styleList_->item(i)->data(Qt::UserRole).toPoint();
        if ((style.x() != 0) == bold && (style.y() != 0) == record.italic) styleList_->setCurrentRow(i);
    }
    sizeEdit_->setText(record.pointSizeTenths > 0 ? PointSizeText(record.pointSizeTenths) : QString());
    sizeTyped(sizeEdit_->text());
    strikeOut_->setChecked(record.strikeOut);
    underline_->setChecked(record.underline);
    colorList_->setCurrentIndex(0);
    updateSample();
}

void FontChooserDialog::faceTyped(const QString& text) {
    const QString typed = text.trimmed();
    const int row = typed.isEmpty() ? -1 : rowOf(faceList_, typed, Qt::MatchStartsWith);
    selectRowQuietly(faceList_, row);
    if (row >= 0) familyChanged(faceList_->item(row)->text());
}

void FontChooserDialog::faceSelected() {
    const QString family = selectedFamily();
    if (family.isEmpty()) return;
    faceEdit_->setText(family);
    familyChanged(family);
}

QString FontChooserDialog::selectedFamily() const {
    const auto selected = faceList_->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void FontChooserDialog::familyChanged(const QString& family) {
    // Each list keeps its choice when the new face offers it.
    const QString style = styleList_->currentItem() ? styleList_->currentItem()->text() : QString();
    const int charSet = scriptList_->currentData().isValid() ? scriptList_->currentData().toInt() : -1;
    {
        const QSignalBlocker a(styleList_), b(sizeList_), c(scriptList_);
        styleList_->clear();
        sizeList_->clear();
        scriptList_->clear();
        if (!family.isEmpty()) {
            for (const Style& s : stylesOf(family)) {
                auto* item = new QListWidgetItem(QString::fromLatin1(s.name), styleList_);
                item->setData(Qt::UserRole, QPoint(s.bold, s.italic));
            }
            const int styleRow = style.isEmpty() ? 0 : std::max(0, rowOf(styleList_, style, Qt::MatchExactly));
            styleList_->setCurrentRow(styleRow);
            for (int size : QFontDatabase::pointSizes(family)) sizeList_->addItem(QString::number(size));
            for (int number : CharSetsFor(QFontDatabase::writingSystems(family)))
                scriptList_->addItem(CharSetName(number), number);
            scriptList_->setCurrentIndex(std::max(0, scriptList_->findData(charSet)));
        }
    }
    sizeTyped(sizeEdit_->text());
    updateSample();
}

void FontChooserDialog::sizeTyped(const QString& text) {
    const QString typed = text.trimmed();
    selectRowQuietly(sizeList_, typed.isEmpty() ? -1 : rowOf(sizeList_, typed, Qt::MatchExactly));
    updateSample();
}

void FontChooserDialog::updateSample() {
    const QString family = faceEdit_->text().trimmed();
    if (family.isEmpty()) {
        sample_->clear();
        return;
    }
    QFont font(family);
    if (const QListWidgetItem* style = styleList_->currentItem()) {
        const QPoint p = style->data(Qt::UserRole).toPoint();
        font.setBold(p.x() != 0);
        font.setItalic(p.y() != 0);
    }
    const SizeEntry size = ParsePointSize(sizeEdit_->text());
    // Very large sizes are shown cut off, as in any sample box.
    font.setPointSizeF(size.refusal.empty() ? std::min(size.tenths / 10.0, 72.0) : 12.0);
    font.setUnderline(underline_->isChecked());
    font.setStrikeOut(strikeOut_->isChecked());
    sample_->setFont(font);
    QPalette palette = sample_->palette();
    palette.setColor(QPalette::WindowText, colorList_->currentData().value<QColor>());
    sample_->setPalette(palette);
    const codepage::Charset* script = codepage::byNumber(scriptList_->currentData().toInt());
    const bool latin = !script || script->system == QFontDatabase::Latin;
    sample_->setText(latin ? QStringLiteral("AaBbYyZz") : QFontDatabase::writingSystemSample(script->system));
}

bool FontChooserDialog::refuse(const std::string& message) {
    dlg::MsgBox(message, dlg::OKOnly | dlg::Exclamation, kTitle);
    return false;
}

void FontChooserDialog::accept() {
    const QString typed = faceEdit_->text().trimmed();
    if (typed.isEmpty()) {
        refuse("Choose a font from the list of fonts.");
        faceEdit_->setFocus();
        return;
    }
    const int row = rowOf(faceList_, typed, Qt::MatchFixedString);
    if (row < 0) {
        refuse("There is no font named \"" + ansi::fromQString(typed) + "\". Choose a font from the list of fonts.");
        faceEdit_->setFocus();
        return;
    }
    const QString family = faceList_->item(row)->text();
    if (!representableInAnsi(family)) {
        refuse("The name of the font \"" + ansi::fromQString(family) +
               "\" cannot be kept in the settings files. Choose another font.");
        faceEdit_->setFocus();
        return;
    }
    const SizeEntry size = ParsePointSize(sizeEdit_->text());
    if (!size.refusal.empty()) {
        refuse(size.refusal);
        sizeEdit_->setFocus();
        sizeEdit_->selectAll();
        return;
    }
    if (selectedFamily() != family) {
        selectRowQuietly(faceList_, row);
        familyChanged(family);
    }
    FontRecord chosen;
    chosen.face = ansi::fromQString(family);
    chosen.pointSizeTenths = size.tenths;
    const QPoint style =
        styleList_->currentItem() ? styleList_->currentItem()->data(Qt::UserRole).toPoint() : QPoint();
    chosen.weight = style.x() ? kBoldWeight : kRegularWeight;
    chosen.italic = style.y() != 0;
    chosen.underline = underline_->isChecked();
    chosen.strikeOut = strikeOut_->isChecked();
    chosen.charSet = scriptList_->currentData().toInt();
    chosen_ = chosen;
    QDialog::accept();
}

}  // namespace platform
