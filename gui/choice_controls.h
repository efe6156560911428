// The controls whose state the user changes: radio buttons, check boxes and
// the two lists. However the state is changed (mouse, keyboard, or an
// accessibility tool), it changes in one way and the program's handler runs.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QString>
#include <functional>

namespace kvr::gui {

// A tick the program sets without a command.
class ProgramTick {
  public:
    virtual ~ProgramTick() = default;
    virtual void SetTick(bool on) = 0;
};

// True while the program takes no input (a command runs): a click then
// leaves the tick alone, and the command it sends is refused.
using InputLocked = std::function<bool()>;

// A radio button or check box with the classic behaviour: an automatic one
// ticks itself when clicked (a radio button clears the others of its group)
// before the handler runs; a manual one changes only when the program sets
// it. A change that does not come from a click, such as the accessibility
// "toggle" action, is undone and turned into that same click.
template <class Base>
class ChoiceButton : public Base, public ProgramTick {
  public:
    ChoiceButton(const QString& text, QButtonGroup* group, bool manual, InputLocked locked)
        : Base(text), group_(group), manual_(manual), locked_(std::move(locked)) {
        if (group_ != nullptr) group_->addButton(this);
        QObject::connect(this, &QAbstractButton::toggled, this, [this](bool on) { OnToggled(on); });
    }

    void SetTick(bool on) override {
        const bool was = changing_;
        changing_ = true;
        Base::setChecked(on);
        changing_ = was;
    }

  protected:
    void nextCheckState() override {
        if (manual_ || (locked_ && locked_())) return;
        if (group_ == nullptr) {
            SetTick(!Base::isChecked());
            return;
        }
        SetTick(true);
        for (QAbstractButton* other : group_->buttons()) {
            if (other == this) continue;
            if (auto* tick = dynamic_cast<ProgramTick*>(other)) tick->SetTick(false);
        }
    }

  private:
    void OnToggled(bool on) {
        if (changing_) return;
        {
            const QSignalBlocker quiet(this);
            SetTick(!on);
        }
        Base::click();
    }

    QButtonGroup* group_;
    bool manual_;
    InputLocked locked_;
    bool changing_ = false;
};

using ChoiceRadio = ChoiceButton<QRadioButton>;
using ChoiceCheckBox = ChoiceButton<QCheckBox>;

// A drop-down list that accessibility tools know by its label rather than
// by the entry it shows.
class LabelledList : public QComboBox {
  public:
    using QComboBox::QComboBox;
};

// Makes the program's own accessibility interfaces known to Qt; call once
// the application object exists. Further calls do nothing.
void InstallAccessibility();

}  // namespace kvr::gui
