// The "Graphique" window: the picture of the results file (src/chart), opened
// from either viewing window's list by its context menu or Ctrl+G. It is made
// on first use, not at start-up, and then is one of the window set: shown and
// hidden, reloading the file at each activation as the lists do (from the
// list they last loaded), refusing the files they refuse with the same messages. This machine is the machine record
// once a test has run. "Enregistrer l'image…" writes the picture as PNG, SVG
// or PDF.
#pragma once

#include "framework/Form.h"

#include "framework/LinesModel.h"

class ChartView;
class QPushButton;

class TFormGraphique : public tarvo::TForm {
    Q_OBJECT

public:
    TFormGraphique();
    ~TFormGraphique() override;

    ChartView *Graphique;
    QPushButton *ButtonEnregistrer;

    void FormActivate();
    void ButtonEnregistrerClick();

private:
    // The results file's lines, shared with the viewing windows' lists: opened
    // from one of them, the window reads only what was appended since.
    tarvo::SortedLinesModel lines_;
};

extern TFormGraphique *FormGraphique;

// Gives a viewing window's list the context menu and the window Ctrl+G that
// open the "Graphique" window.
void OfferGraphique(tarvo::TForm *form, QWidget *list);

// Makes the window on first use, then shows it.
void ShowGraphique();
