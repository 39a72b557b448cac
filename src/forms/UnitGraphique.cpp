#include "UnitGraphique.h"

#include "ChartView.h"
#include "UnitPrincipale.h"

#include "chart/ChartFiles.h"
#include "core/DataFiles.h"
#include "framework/Application.h"
#include "framework/BusyCursor.h"
#include "framework/Fonts.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

using tarvo::connectHandler;

TFormGraphique *FormGraphique = nullptr;

namespace {

const QString Caption = QStringLiteral("Graphique des résultats");
constexpr qsizetype BusyFromLines = 100000;

} // namespace

TFormGraphique::TFormGraphique()
    : TForm(BorderIcons::SystemMenu)
{
    setObjectName(QStringLiteral("FormGraphique"));
    setWindowTitle(Caption);
    // A window too low for every bar scrolls; the keyboard's bar stays in view.
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("Defilement"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFocusPolicy(Qt::NoFocus);
    Graphique = new ChartView;
    Graphique->setObjectName(QStringLiteral("Graphique"));
    scroll->setWidget(Graphique);
    QObject::connect(Graphique, &ChartView::barFocused, scroll,
                     [scroll](QRect row) { scroll->ensureVisible(0, row.center().y(), 0, row.height() / 2 + 1); });
    ButtonEnregistrer = new QPushButton(QStringLiteral("&Enregistrer l'image…"), this);
    ButtonEnregistrer->setObjectName(QStringLiteral("ButtonEnregistrer"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonEnregistrer);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addLayout(buttons);
    tarvo::GiveDesignedFont(this);
    Graphique->setFont(tarvo::chart::ChartFont());
    // As large as the files' picture, within the screen at any scale.
    const QSize room = QGuiApplication::primaryScreen()->availableSize() * 0.8;
    resize(std::min(tarvo::chart::DefaultWidth, room.width()), std::min(640, room.height()));
    OnActivate = [this] { FormActivate(); };
    connectHandler(ButtonEnregistrer, &QPushButton::clicked, this, &TFormGraphique::ButtonEnregistrerClick);
}

TFormGraphique::~TFormGraphique() = default;

void TFormGraphique::FormActivate()
{
    // A file the lists refuse is refused here with their message, and the
    // picture keeps what it showed.
    lines_.LoadFromFile(tarvo::DataFilePath(tarvo::ResultsFileName), [this] { Refresh(); });
    std::optional<tarvo::chart::Machine> machine;
    if (FormPrincipale && FormPrincipale->Indice >= 0.0f)
        machine = tarvo::chart::Machine{std::stod(tarvo::FormatFixed2(FormPrincipale->Indice, 0)),
                                        QStringLiteral("Cette machine (%1)").arg(FormPrincipale->Processeur)};
    // Every line is looked at: a long file takes a moment.
    std::optional<tarvo::HourglassCursor> busy;
    if (lines_.lines().size() >= BusyFromLines)
        busy.emplace();
    Graphique->setModel(tarvo::chart::BuildModel(lines_.lines(), machine));
    setAccessibleDescription(Graphique->accessibleDescription());
    Graphique->setFocus();
}

void TFormGraphique::ButtonEnregistrerClick()
{
    QString filter = QStringLiteral("Image PNG (*.png)");
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Enregistrer l'image"),
                                                QStringLiteral("resultats.png"),
                                                QStringLiteral("Image PNG (*.png);;Dessin SVG (*.svg);;Document PDF (*.pdf)"),
                                                &filter);
    if (path.isEmpty())
        return;
    // A name typed without an extension takes the chosen type's.
    if (!tarvo::chart::KnownImageName(path))
        path += filter.mid(filter.indexOf(QLatin1String("*.")) + 1, 4);
    tarvo::HourglassCursor busy;
    tarvo::chart::SaveChart(Graphique->model(), path, Graphique->width(), Graphique->devicePixelRatioF());
}

void ShowGraphique()
{
    if (!FormGraphique)
        tarvo::TApplication::CreateForm(FormGraphique);
    FormGraphique->setVisible(true);
}

void OfferGraphique(tarvo::TForm *form, QWidget *list)
{
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(list, &QWidget::customContextMenuRequested, list, [list](const QPoint &at) {
        QMenu menu(list);
        menu.setObjectName(QStringLiteral("MenuGraphique"));
        QAction *chart = menu.addAction(QStringLiteral("&Graphique des résultats…"));
        chart->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
        if (menu.exec(list->mapToGlobal(at)) == chart)
            tarvo::TApplication::Invoke(ShowGraphique);
    });
    auto *shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), form);
    QObject::connect(shortcut, &QShortcut::activated, form, [] { tarvo::TApplication::Invoke(ShowGraphique); });
}
