// The window's layout on Qt, and its controls as the commands see them.
#include "app/qt/converter.h"

#include "platform/qt_desktop.h"
#include "platform/qt_text.h"

#include <QDropEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>

#include <algorithm>

using namespace Qt::StringLiterals;
using brisel::TextBox;
using brisel::qtText;
namespace layout = brisel::layout;

namespace {

// Qt scales these device-independent pixels for every screen.
QRect pixels(layout::Twips place) {
    return {place.left / layout::twipsPerPixel, place.top / layout::twipsPerPixel, place.width / layout::twipsPerPixel,
            place.height / layout::twipsPerPixel};
}

QWidget* makeControl(const layout::Entry& entry, QWidget* container) {
    QWidget* control = nullptr;
    switch (entry.kind) {
    case layout::Kind::frame:
        control = new QGroupBox(qtText(entry.caption), container);
        break;
    case layout::Kind::textBox:
        control = new QLineEdit(container);
        break;
    case layout::Kind::button:
        control = new QPushButton(qtText(entry.caption), container);
        break;
    case layout::Kind::option:
        control = new QRadioButton(qtText(entry.caption), container);
        break;
    }
    control->setObjectName(QString::fromLatin1(entry.name));
    control->setGeometry(pixels(entry.place));
    control->setToolTip(qtText(entry.toolTip));
    return control;
}

// The local paths of the files a drag carries; a file manager gives them as file URLs,
// whose names keep their bytes.
std::vector<std::u16string> localFiles(const QMimeData* data) {
    std::vector<std::u16string> files;
    if (data == nullptr)
        return files;
    for (const QUrl& url : data->urls()) {
        if (std::optional<std::u16string> path = brisel::localPath(url))
            files.push_back(std::move(*path));
    }
    return files;
}

}  // namespace

converter::converter(brisel::Desktop& desktop, QWidget* parent)
    : QWidget(parent), commands(static_cast<brisel::Form&>(*this), desktop) {
    setObjectName(u"converter"_s);
    setWindowTitle(u"Materialdaten konvertieren"_s);
    // A fixed frame: minimise and close, no maximise; the layout never moves.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(pixels(layout::clientArea).size());
    // The layout was drawn for the classic 8-point dialog font; larger defaults would clip
    // captions such as "erweitern" in their fixed places.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    buildLayout();

    const auto onClick = [this](layout::Control control, void (brisel::Commands::*command)()) {
        connect(static_cast<QPushButton*>(controls[static_cast<std::size_t>(control)]), &QPushButton::clicked, this,
                [this, command] { (commands.*command)(); });
    };
    onClick(layout::Control::cmd_select_source, &brisel::Commands::cmd_select_source_Click);
    onClick(layout::Control::cmd_select_destination, &brisel::Commands::cmd_select_destination_Click);
    onClick(layout::Control::cmd_defaults, &brisel::Commands::cmd_defaults_Click);
    onClick(layout::Control::cmd_convert, &brisel::Commands::cmd_convert_Click);
    onClick(layout::Control::cmd_beenden, &brisel::Commands::cmd_beenden_Click);

    commands.Form_Load();
}

void converter::buildLayout() {
    QWidget* previous = nullptr;
    for (const layout::Entry& entry : layout::controls) {
        QWidget* container =
            entry.container == layout::Control::none ? this : controls[static_cast<std::size_t>(entry.container)];
        QWidget* control = makeControl(entry, container);
        controls[static_cast<std::size_t>(entry.control)] = control;
        // A screen reader names each text box after its frame.
        if (entry.kind == layout::Kind::textBox)
            control->setAccessibleName(qtText(layout::entry(entry.container).caption));
        // Files dropped on a text box or its frame are the commands' to place.
        if (layout::boxOf(entry.control)) {
            control->setAcceptDrops(true);
            control->installEventFilter(this);
        }
        // The table is in tab order; frames take no focus.
        if (entry.kind == layout::Kind::frame)
            continue;
        if (previous)
            setTabOrder(previous, control);
        previous = control;
    }
}

bool converter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QWidget::eventFilter(watched, event);
    const auto found = std::find(controls.begin(), controls.end(), watched);
    const auto box = layout::boxOf(static_cast<layout::Control>(found - controls.begin()));
    auto* drop = static_cast<QDropEvent*>(event);  // a drag's enter and move events are drop events too
    const std::vector<std::u16string> files = localFiles(drop->mimeData());
    if (!box || files.empty())
        return QWidget::eventFilter(watched, event);  // text is dragged as in any text box
    if (*box == TextBox::prefix) {
        drop->ignore();
        return true;
    }
    if (type == QEvent::Drop)
        commands.filesDropped(*box, files);
    drop->acceptProposedAction();
    return true;
}

QLineEdit* converter::textBox(layout::Control control) const {
    return static_cast<QLineEdit*>(controls[static_cast<std::size_t>(control)]);
}

QLineEdit* converter::box(TextBox which) const {
    return textBox(layout::controlOf(which));
}

QRadioButton* converter::option(int index) const {
    return static_cast<QRadioButton*>(controls[static_cast<std::size_t>(layout::optionControl(index))]);
}

void converter::setTitle(std::u16string_view title) {
    setWindowTitle(qtText(title));
}

std::u16string converter::text(TextBox which) const {
    return box(which)->text().toStdU16String();
}

void converter::setText(TextBox which, std::u16string_view text) {
    box(which)->setText(qtText(text));
}

bool converter::isSelected(int index) const {
    return option(index)->isChecked();
}

void converter::select(int index) {
    option(index)->setChecked(true);
}

void converter::deselect(int index) {
    // An exclusive group keeps its selected button; the program, unlike the user, may clear it.
    QRadioButton* button = option(index);
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
}

void converter::unload() {
    QWidget::close();
}
