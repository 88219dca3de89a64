// The contact sheet as its window shows it, for the benchmarks: 100 x 100
// cells 5 pixels apart in a scrolling window of 800 x 600.
#pragma once

#include <QApplication>
#include <QScrollArea>
#include <string>
#include <vector>

#include "components/jpeg_diaporama.h"

// The sheet in `fenetre`, shown; `decodeurs` threads make its pictures (0:
// the sheet's own choice).
inline components::TJPegDiaporama& OuvrePlanche(QScrollArea& fenetre, int decodeurs = 0) {
    fenetre.setWidgetResizable(true);
    fenetre.resize(800, 600);
    auto* planche = new components::TJPegDiaporama(&fenetre, "JPegDiaporama1");
    planche->LargeurDiapo = 100;
    planche->HauteurDiapo = 100;
    planche->EcartXEntreImage = 5;
    planche->EcartYEntreImage = 5;
    planche->SetNombreDecodeurs(decodeurs);
    fenetre.setWidget(planche);
    fenetre.show();
    QApplication::processEvents();
    return *planche;
}

// Rebuilds the sheet on `fichiers` and returns once every thumbnail is made.
inline void ChargePlanche(components::TJPegDiaporama& planche,
                          const std::vector<std::string>& fichiers) {
    for (const std::string& fichier : fichiers) planche.StringListNomFichier.Add(fichier);
    planche.OnFinChargement = [](components::TJPegDiaporama&) { QApplication::quit(); };
    planche.Execute();
    if (planche.DiaposEnAttente() > 0) QApplication::exec();
}
