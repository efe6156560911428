// Qt dialogs built from the template tables: group boxes in columns, controls by id, menus.
#include "dialog_builder.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSet>
#include <algorithm>
#include <functional>
#include <limits>
#include <vector>

#include "choice_controls.h"
#include "res/columns.h"

namespace kvr::gui {
namespace {

using res::ControlDef;
using res::ControlKind;

QString ToQ(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

using res::IsEmpty;
using res::PresentIn;
using res::SameText;

// Controls that share a group box, or a run of controls outside any box.
using Section = res::ControlGroup;

class Builder {
  public:
    Builder(const res::DialogTemplate& t, const BuildOptions& options)
        : t_(t), lang_(t.language), options_(options) {}

    DialogParts Build(QWidget* parent) {
        InstallAccessibility();
        parts_.dialog = new TemplateDialog(parent);
        TemplateDialog* dialog = parts_.dialog;
        dialog->setWindowTitle(ToQ(t_.title) + QString::fromStdString(options_.titleSuffix));
        // Caption and system menu, no minimise box, fixed size.
        dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
        const QString family = ToQ(t_.font);
        if (QFontDatabase::hasFamily(family)) dialog->setFont(QFont(family, t_.pointSize));

        auto* top = new QVBoxLayout(dialog);
        top->setSizeConstraint(QLayout::SetFixedSize);
        if (t_.menuId != 0) {
            if (const res::MenuDef* menu = res::FindMenu(t_.menuId)) {
                top->setMenuBar(BuildMenu(*menu, dialog));
            }
        }

        std::vector<const ControlDef*> bottomButtons;
        std::vector<Section> sections = res::GroupControls(t_, lang_, bottomButtons);
        std::vector<QWidget*> widgets;
        for (const Section& s : sections) widgets.push_back(BuildSection(s));
        top->addLayout(Columns(widgets));

        if (!bottomButtons.empty()) {
            auto* row = new QHBoxLayout;
            row->addStretch(1);
            for (const ControlDef* c : bottomButtons) row->addWidget(MakeButton(*c));
            top->addLayout(row);
        }

        dialog->adjustSize();
        if (parent == nullptr) {
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                dialog->move(screen->availableGeometry().center() - dialog->rect().center());
            }
        }
        return std::move(parts_);
    }

  private:
    QString T(const Text& text) const { return ToQ(Pick(lang_, text)); }

    QMenuBar* BuildMenu(const res::MenuDef& menu, QWidget* parent) {
        auto* bar = new QMenuBar(parent);
        // Alt and a letter opens each menu and chooses each item, so that
        // every command can be reached from the keyboard.
        QSet<QChar> barKeys;
        for (const res::MenuItemDef& item : menu.bar) {
            const QString title = WithAccessKey(ItemText(item, menu.language), barKeys);
            if (item.id == 0 || !item.items.empty()) {
                QMenu* popup = bar->addMenu(title);
                popup->setEnabled(!Greyed(item, menu.language));
                QSet<QChar> itemKeys;
                for (const res::MenuItemDef& sub : item.items) {
                    Register(
                        popup->addAction(WithAccessKey(ItemText(sub, menu.language), itemKeys)),
                        sub, menu.language);
                }
            } else {
                Register(bar->addAction(title), item, menu.language);
            }
        }
        return bar;
    }

    // Marks a character not yet taken in this menu as the access key: a
    // digit (COM1 to COM8), else the start of a word, else any letter. The
    // text itself is unchanged: '&' is shown as the underline, and
    // accessibility tools drop it from the name.
    static QString WithAccessKey(QString text, QSet<QChar>& taken) {
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto usable = [&](qsizetype i) {
            const QChar c = text.at(i).toLower();
            return c.isLetterOrNumber() && !taken.contains(c);
        };
        auto wordStart = [&](qsizetype i) { return i == 0 || !text.at(i - 1).isLetterOrNumber(); };
        const std::function<bool(qsizetype)> preferences[] = {
            [&](qsizetype i) { return text.at(i).isDigit(); },
            wordStart,
            [](qsizetype) { return true; },
        };
        for (const auto& preferred : preferences) {
            for (qsizetype i = 0; i < text.size(); ++i) {
                if (!usable(i) || !preferred(i)) continue;
                taken.insert(text.at(i).toLower());
                text.insert(i, QLatin1Char('&'));
                return text;
            }
        }
        return text;
    }

    static bool Greyed(const res::MenuItemDef& item, Language lang) {
        return lang == Language::German ? item.greyedDe : item.greyedEn;
    }

    QString ItemText(const res::MenuItemDef& item, Language lang) const {
        const std::string_view text = Pick(lang, item.text);
        if (item.id != 0 && options_.menuText)
            return QString::fromStdString(options_.menuText(item.id, text));
        return ToQ(text);
    }

    void Register(QAction* action, const res::MenuItemDef& item, Language lang) {
        action->setEnabled(!Greyed(item, lang));
        if (item.id != 0) parts_.menuItems[item.id] = action;
    }

    QWidget* BuildSection(const Section& s) {
        QWidget* box = s.boxed ? new QGroupBox(T(s.group)) : new QWidget;
        auto* grid = new QGridLayout(box);
        if (!s.boxed) grid->setContentsMargins(0, 0, 0, 0);
        int row = 0;
        bool seenRadio = false;
        const std::size_t n = s.controls.size();
        for (std::size_t i = 0; i < n; ++i) {
            const ControlDef& c = *s.controls[i];
            switch (c.kind) {
                case ControlKind::PushButton: {
                    auto* line = new QHBoxLayout;
                    for (; i < n && s.controls[i]->kind == ControlKind::PushButton; ++i) {
                        line->addWidget(MakeButton(*s.controls[i]));
                    }
                    --i;
                    line->addStretch(1);
                    grid->addLayout(line, row++, 0, 1, 4);
                    break;
                }
                case ControlKind::Radio:
                case ControlKind::CheckBox:
                    i = AddChoice(*grid, row, seenRadio, s, i);
                    break;
                case ControlKind::Edit:
                case ControlKind::ComboBox:
                    AddField(*grid, row, c);
                    break;
                case ControlKind::Static: {
                    auto* label = new QLabel(T(c.label));
                    if ((c.flags & res::kDisabled) != 0) label->setEnabled(false);
                    if (c.id > 0) parts_.controls[c.id] = label;
                    grid->addWidget(label, row++, 0, 1, 4);
                    break;
                }
            }
        }
        grid->setColumnStretch(3, 1);
        return box;
    }

    // A radio button or check box, with the field that belongs to a radio
    // button on its line; returns the index of the last control added.
    std::size_t AddChoice(QGridLayout& grid, int& row, bool& seenRadio, const Section& s,
                          std::size_t i) {
        const ControlDef& c = *s.controls[i];
        const bool radio = c.kind == ControlKind::Radio;
        if (radio && (c.flags & res::kFirstOfGroup) != 0 && seenRadio) {
            grid.setRowMinimumHeight(row++, 6);
        }
        seenRadio = seenRadio || radio;
        QWidget* button = radio ? MakeRadio(c) : MakeCheckBox(c);
        const ControlDef* next = i + 1 < s.controls.size() ? s.controls[i + 1] : nullptr;
        if (!radio || next == nullptr || !IsField(*next)) {
            grid.addWidget(button, row++, 0, 1, 3);
            return i;
        }
        // The field that belongs to this choice, on its line.
        grid.addWidget(button, row, 0);
        auto* line = new QHBoxLayout;
        QLabel* label = MakeLabel(*next);
        QWidget* field = MakeField(*next);
        if (label != nullptr) {
            label->setBuddy(field);
            line->addWidget(label);
        }
        line->addWidget(field);
        line->addStretch(1);
        grid.addLayout(line, row, 1);
        if (!IsEmpty(next->unit)) grid.addWidget(new QLabel(T(next->unit)), row, 2);
        ++row;
        return i + 1;
    }

    // An edit field or combo box with its label and unit, or on its own.
    void AddField(QGridLayout& grid, int& row, const ControlDef& c) {
        QLabel* label = MakeLabel(c);
        QWidget* field = MakeField(c);
        if (label == nullptr && IsEmpty(c.unit)) {
            // A field on its own (the status line) takes the whole width.
            grid.addWidget(field, row++, 0, 1, 4);
            return;
        }
        if (label != nullptr) {
            label->setBuddy(field);
            grid.addWidget(label, row, 0);
            grid.addWidget(field, row, 1);
        } else {
            grid.addWidget(field, row, 0, 1, 2);
        }
        if (!IsEmpty(c.unit)) grid.addWidget(new QLabel(T(c.unit)), row, 2);
        ++row;
    }

    static bool IsField(const ControlDef& c) {
        return c.kind == ControlKind::Edit || c.kind == ControlKind::ComboBox;
    }

    QLabel* MakeLabel(const ControlDef& c) {
        if (IsEmpty(c.label)) return nullptr;
        auto* label = new QLabel(T(c.label));
        if (c.labelId != 0) parts_.labels[c.labelId] = label;
        return label;
    }

    void Common(QWidget* w, const ControlDef& c) {
        if ((c.flags & res::kDisabled) != 0) w->setEnabled(false);
        parts_.controls[c.id] = w;
    }

    // A field is known to accessibility tools by its label (the label is
    // its buddy). A label of two lines reads as one; a field without a
    // label has a name of its own; the unit describes the value.
    void Name(QWidget* field, const ControlDef& c) {
        QString label = T(c.label);
        if (label.contains(QLatin1Char('\n'))) {
            field->setAccessibleName(label.replace(QLatin1Char('\n'), QLatin1Char(' ')));
        } else if (label.isEmpty() && !IsEmpty(c.name)) {
            field->setAccessibleName(T(c.name));
        }
        if (!IsEmpty(c.unit)) field->setAccessibleDescription(T(c.unit));
    }

    QWidget* MakeField(const ControlDef& c) {
        const QFontMetrics metrics = parts_.dialog->fontMetrics();
        if (c.kind == ControlKind::ComboBox) {
            // An editable drop-down list in the order the items come.
            auto* combo = new LabelledList;
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setMinimumContentsLength(7);
            combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            Common(combo, c);
            Name(combo, c);
            return combo;
        }
        auto* edit = new QLineEdit;
        if ((c.flags & res::kReadOnly) != 0) edit->setReadOnly(true);
        if ((c.flags & res::kDigitsOnly) != 0) {
            edit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]*")), edit));
        }
        const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
        if (IsEmpty(c.label) && IsEmpty(c.unit)) {
            edit->setMinimumWidth(digit * 28);
        } else {
            edit->setFixedWidth(digit * ((c.flags & res::kReadOnly) != 0 ? 12 : 8) + 12);
        }
        Common(edit, c);
        Name(edit, c);
        return edit;
    }

    QPushButton* MakeButton(const ControlDef& c) {
        auto* button = new QPushButton(T(c.label));
        if ((c.flags & res::kDefaultButton) != 0) button->setDefault(true);
        Common(button, c);
        return button;
    }

    QWidget* MakeRadio(const ControlDef& c) {
        // A group runs from one radio button marked first of group to the
        // next. The program keeps the group exclusive itself, since it may
        // clear every radio button of a group.
        if (currentGroup_ == nullptr || (c.flags & res::kFirstOfGroup) != 0) {
            currentGroup_ = new QButtonGroup(parts_.dialog);
            currentGroup_->setExclusive(false);
        }
        auto* radio = new ChoiceRadio(T(c.label), currentGroup_, (c.flags & res::kManualCheck) != 0,
                                      options_.inputLocked);
        Common(radio, c);
        return radio;
    }

    QWidget* MakeCheckBox(const ControlDef& c) {
        auto* box = new ChoiceCheckBox(T(c.label), nullptr, (c.flags & res::kManualCheck) != 0,
                                       options_.inputLocked);
        Common(box, c);
        return box;
    }

    // Lays the sections out top to bottom in as many columns as the
    // template's width suggests, keeping their order and evening out the
    // columns' heights.
    QLayout* Columns(const std::vector<QWidget*>& widgets) const {
        const std::size_t n = widgets.size();
        const std::size_t columns = res::ColumnCount(t_, n);
        std::vector<int> heights;
        for (QWidget* w : widgets) heights.push_back(w->sizeHint().height());
        const std::vector<std::size_t> starts = res::BalancedColumns(heights, columns);

        auto* row = new QHBoxLayout;
        for (std::size_t k = 0; k < starts.size(); ++k) {
            const std::size_t end = k + 1 < starts.size() ? starts[k + 1] : n;
            auto* column = new QVBoxLayout;
            for (std::size_t i = starts[k]; i < end; ++i) column->addWidget(widgets[i]);
            column->addStretch(1);
            row->addLayout(column);
        }
        return row;
    }

    const res::DialogTemplate& t_;
    Language lang_;
    const BuildOptions& options_;
    DialogParts parts_;
    QButtonGroup* currentGroup_ = nullptr;
};

}  // namespace

DialogParts BuildDialog(const res::DialogTemplate& dialogTemplate, QWidget* parent,
                        const BuildOptions& options) {
    return Builder(dialogTemplate, options).Build(parent);
}

std::unique_ptr<QtWindow> BuildWindow(int templateId, QWidget* parent,
                                      const BuildOptions& options) {
    const res::DialogTemplate* t = res::FindTemplate(templateId);
    if (t == nullptr) return nullptr;
    return std::make_unique<QtWindow>(BuildDialog(*t, parent, options));
}

}  // namespace kvr::gui
