#pragma once

#include "app/stores/speech_model.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

namespace tavik {
class DictationController;
class Preferences;
} // namespace tavik

namespace tavik::panes::settings {

// One speech model: a radio mark, its name and its figures, or "Not downloaded" faded when no
// search folder holds its file. The whole row takes the click. Screen readers hear the rows as
// radio buttons with the chosen model checked; a click only reports itself.
class ModelRow final : public QAbstractButton {
    Q_OBJECT
public:
    ModelRow(SpeechModel model, QWidget* parent = nullptr);

    SpeechModel model() const { return model_; }
    void setLook(bool selected, bool downloaded);
    bool selected() const { return selected_; }
    bool downloaded() const { return downloaded_; }
    QString detailText() const;
    qreal opacity() const { return downloaded_ ? 1.0 : 0.45; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override {}

private:
    SpeechModel model_;
    bool selected_ = false;
    bool downloaded_ = false;
};

// The "Model" section: a row per model and a caption. Choosing a downloaded model stores it and
// has the controller load it, also when it is the one already chosen.
class ModelPicker final : public QWidget {
    Q_OBJECT
public:
    ModelPicker(Preferences& preferences, DictationController& controller,
                QWidget* parent = nullptr);

    const QList<ModelRow*>& rows() const { return rows_; }
    // Reads the choice and looks for the files again.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void choose(SpeechModel model);

    Preferences& prefs_;
    DictationController& controller_;
    QList<ModelRow*> rows_;
};

} // namespace tavik::panes::settings
