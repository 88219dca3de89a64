#include "app/album_html.h"

#include <algorithm>
#include <array>
#include <exception>
#include <memory>
#include <optional>
#include <set>
#include <utility>

#include "app/chemins.h"
#include "components/outils.h"
#include "components/routines_image.h"
#include "metadata/image_info.h"
#include "metadata/img_data.h"
#include "platform/core/arith.h"
#include "platform/core/error.h"
#include "platform/core/files.h"
#include "platform/core/text.h"
#include "platform/graphics/budget.h"
#include "platform/graphics/graphic.h"

namespace app {

namespace {

using components::CouleurHtml;

// The opening script of the album page, as the browsers of its time wanted it.
constexpr std::array<std::string_view, 9> kScript{
    R"(<script language="JavaScript"> )",
    R"(function fullscreen(nompageaouvrir){       )",
    R"(ie4 = ((navigator.appName == "Microsoft Internet Explorer") && (parseInt(navigator.appVersion) >= 4 )))",
    R"(ns4 = ((navigator.appName == "Netscape") && (parseInt(navigator.appVersion) >= 4 )))",
    R"(if (ie4))",
    R"(window.open(nompageaouvrir,"","width="+(window.screen.availWidth-10)+",height="+(window.screen.availheight-35)+",  top=0, left=0, toolbar=no, resizable=yes, menubar=no, status=no, location=no, scrollbars=yes");)",
    R"( else)",
    R"(window.open(nompageaouvrir,"", "width="+(window.screen.availWidth)+", height="+(window.screen.height)+", top=0, left=0, toolbar=no, resizable=yes, menubar=no, status=no, location=no, scrollbars=yes"); })",
    R"(</script>     )",
};

// Text from a file, as page text.
std::string Texte(std::string_view texte) {
    return VersPageHtml(EchappeHtml(texte));
}

std::string Nombre(int64_t n) {
    return std::to_string(n);
}

// The 35 mm focal length's whole millimetres: its text before the decimal
// separator in use.
std::string Millimetres(const std::string& valeur) {
    const size_t separateur = valeur.find(platform::DecimalSeparator());
    return separateur == std::string::npos ? valeur : valeur.substr(0, separateur);
}

// The page text of a picture's name, comment and caption block, in the order
// both kinds of page write them; `album` chooses the album page's variant.
void AjouteLegendes(std::vector<std::string>& lignes, const ReglagesAlbum& r,
                    const std::string& nom, const LegendesImage& l, bool album) {
    const bool proprietes = !album || !r.proprietes_seulement_grandes;
    if (r.nom_image && proprietes) lignes.push_back(Texte(nom));
    if (l.exif && r.commentaire && proprietes && l.a_commentaire)
        lignes.push_back(Texte(l.commentaire) + "<br>");
    lignes.emplace_back("</font>");
    if (!l.exif || !proprietes) return;
    lignes.push_back("<font size=\"1\" color=\"" + CouleurHtml(r.couleur_texte_exif) + "\">");
    if (r.appareil) lignes.push_back(Texte(l.appareil));
    if (r.iso && (album || !l.iso.empty())) lignes.push_back(Texte(l.iso) + " Asa");
    if (r.vitesse) lignes.push_back(Texte(l.vitesse));
    if (r.diaphragme) lignes.push_back(" " + Texte(l.diaphragme));
    if (r.flash && (album || !l.flash.empty())) lignes.push_back("Flash " + Texte(l.flash));
    if (r.focale_35mm && !l.focale_35mm.empty()) {
        lignes.push_back("Obj " + Texte(Millimetres(l.focale_35mm)) + (album ? "mm" : " mm"));
    }
    lignes.emplace_back("</font>");
}

// Writes a page's lines, each followed by CR LF, over a read-only page of an
// earlier album too.
void EcritPage(const std::string& fichier, const std::vector<std::string>& lignes) {
    std::string octets;
    for (const std::string& ligne : lignes) octets.append(ligne).append("\r\n");
    platform::ClearReadOnly(fichier);
    platform::WriteFileAtomic(
        fichier, std::span(reinterpret_cast<const uint8_t*>(octets.data()), octets.size()));
}

// True for a photo whose EXIF orientation turns it a quarter (codes 5 to 8,
// mirrored or not).
bool Quart(const metadata::TimgData& donnees) {
    const metadata::TImageInfo* exif = donnees.ExifObj();
    if (!donnees.HasExif() || exif == nullptr) return false;
    const int32_t orientation = exif->TagValueAsInteger("Orientation");
    return orientation >= 5 && orientation <= 8;
}

void CreeDossier(const std::string& dossier) {
    if (dossier.empty() || components::DossierExiste(dossier)) return;
    if (!components::CreeDossiers(dossier))
        platform::RaiseMessage("Impossible de créer le dossier \"" + dossier + "\" de l'album.");
}

}  // namespace

void AppliqueReplis(ReglagesAlbum& r) {
    if (r.images_par_ligne < 1) r.images_par_ligne = 4;
    if (r.taille_petite < 1) r.taille_petite = 150;
    if (r.taille_grande < 1) r.taille_grande = 800;
}

NomImage DecoupeNom(std::string_view chemin) {
    NomImage n;
    const size_t barre = chemin.rfind('/');
    n.nom = chemin.substr(barre == std::string_view::npos ? 0 : barre + 1);
    const size_t point = n.nom.rfind('.');
    n.base = n.nom.substr(0, point);
    if (point != std::string::npos) n.extension = n.nom.substr(point);
    return n;
}

std::string NomCopie(std::string_view chemin) {
    const std::string nom = DecoupeNom(chemin).nom;
    const platform::PictureFormat* format = platform::FormatOf(nom);
    if (format != nullptr && format->kind == "JPEG") return nom;
    return nom + "." + std::string(platform::ExtensionOfKind("JPEG"));
}

std::string EchappeHtml(std::string_view texte) {
    std::string sortie;
    for (const char c : texte) {
        switch (c) {
            case '&':
                sortie += "&amp;";
                break;
            case '<':
                sortie += "&lt;";
                break;
            case '>':
                sortie += "&gt;";
                break;
            case '"':
                sortie += "&quot;";
                break;
            case '\'':
                sortie += "&#39;";
                break;
            default:
                sortie += c;
        }
    }
    return sortie;
}

std::string EncodeUrl(std::string_view chemin) {
    static constexpr std::string_view kChiffres = "0123456789ABCDEF";
    std::string sortie;
    for (const char c : chemin) {
        const auto octet = static_cast<unsigned char>(c);
        const bool garde = (octet >= 'a' && octet <= 'z') || (octet >= 'A' && octet <= 'Z') ||
                           (octet >= '0' && octet <= '9') || c == '-' || c == '.' || c == '_' ||
                           c == '~' || c == '/';
        if (garde) {
            sortie += c;
        } else {
            sortie += '%';
            sortie += kChiffres[octet >> 4];
            sortie += kChiffres[octet & 0xF];
        }
    }
    return sortie;
}

std::string VersPageHtml(std::string_view texte) {
    return platform::Utf8ToWindows1252(texte,
                                       [](char32_t code) { return "&#" + Nombre(code) + ";"; });
}

void EcritEnteteHtml(std::vector<std::string>& memo, const ReglagesAlbum& r) {
    memo.insert(memo.end(), {
                                "<html>",
                                "<head>",
                                "<meta http-equiv=\"Content-Type\"",
                                "content=\"text/html; charset=iso-8859-1\">",
                                "<meta name=\"GENERATOR\" content=\"Visualisateur de diapos\">",
                                "<title>" + VersPageHtml(r.titre) + "</title>",
                                "</head>",
                            });
    if (r.sans_couleur) {
        memo.emplace_back("<body>");
    } else {
        memo.push_back("<body bgcolor=\"" + CouleurHtml(r.couleur_fond) + "\" text=\"" +
                       CouleurHtml(r.couleur_texte) + "\">");
    }
}

void EcritFinHtml(std::vector<std::string>& memo) {
    memo.emplace_back("</body>");
    memo.emplace_back("</html>");
}

LegendesImage LegendesDe(const metadata::TimgData& donnees) {
    LegendesImage l;
    const metadata::TImageInfo* exif = donnees.ExifObj();
    l.exif = donnees.HasMetadata() && donnees.HasExif() && exif != nullptr;
    if (!l.exif) return l;
    l.a_commentaire = exif->CommentPosition > 0;
    l.commentaire = exif->Comment;
    l.appareil = exif->TagValue("Model");
    l.iso = exif->TagValue("ISOSpeedRatings");
    l.vitesse = exif->TagValue("ExposureTime");
    l.diaphragme = exif->TagValue("FNumber");
    l.flash = exif->TagValue("Flash");
    l.focale_35mm = exif->TagValue("FocalLengthin35mmFilm");
    return l;
}

std::vector<std::string> LignesCellule(const ReglagesAlbum& r, const std::string& chemin,
                                       int32_t largeur, int32_t hauteur,
                                       const LegendesImage& legendes) {
    const NomImage n = DecoupeNom(NomCopie(chemin));
    const std::string vignette = r.sous_dossier_petites + n.nom;
    const std::string lien = r.sous_dossier_grandes + n.base + ".htm";
    std::vector<std::string> lignes;
    if (r.sans_couleur_encadrement) {
        lignes.emplace_back("<td align=\"center\">");
    } else {
        lignes.push_back("<td align=\"center\" bgcolor=\"" + CouleurHtml(r.couleur_encadrement) +
                         "\">");
    }
    // A javascript: address is percent-decoded before it runs: the link's own
    // "%" escapes must survive that.
    std::string lien_script;
    for (const char c : EncodeUrl(lien)) {
        lien_script += c;
        if (c == '%') lien_script += "25";
    }
    lignes.push_back("<a href=\"javascript:fullscreen('" + lien_script + "');\"  >");
    lignes.push_back("<img src=\"" + EncodeUrl(vignette) + "\" border=\"0\" Height=\"" +
                     Nombre(hauteur) + "\" Width=\"" + Nombre(largeur) + "\" TITLE=\"" +
                     Texte(components::TexteApres("/", vignette)) + "\"></a>");
    lignes.push_back("<font size=\"2\" color=\"" + CouleurHtml(r.couleur_texte_exif) + "\">");
    lignes.emplace_back("<br>");
    AjouteLegendes(lignes, r, DecoupeNom(chemin).nom, legendes, true);
    lignes.emplace_back("</td>");
    return lignes;
}

std::vector<std::string> LignesPageImage(const ReglagesAlbum& r, const ImagePage& image,
                                         const LegendesImage& legendes) {
    const std::string cadre = CouleurHtml(r.couleur_encadrement_grande_photo);
    const std::string source = EncodeUrl(NomCopie(image.chemin));
    const auto reduit = [](int32_t cote) {
        return Nombre(platform::Round(static_cast<long double>(cote) * 1024 / 1280));
    };
    std::vector<std::string> MemoHtml2;
    EcritEnteteHtml(MemoHtml2, r);
    MemoHtml2.emplace_back(R"(<table border="0" width="100%"> <tr><td width="33%">)");
    if (!image.precedente.empty()) {
        const NomImage p = DecoupeNom(NomCopie(image.precedente));
        MemoHtml2.push_back("<a href=\"" + EncodeUrl(p.base + ".htm") + "\"><img src=\"" +
                            EncodeUrl(p.nom) + "\" border=\"0\"  height=\"50\" ></a>");
    }
    MemoHtml2.emplace_back(
        R"(</td><td width="34%"><h1 align="center"><font size="7">&nbsp;</font></h1></td><td width="33%"> )");
    if (!image.suivante.empty()) {
        const NomImage s = DecoupeNom(NomCopie(image.suivante));
        MemoHtml2.push_back("<p align=\"right\"><a href=\"" + EncodeUrl(s.base + ".htm") +
                            "\"><img src=\"" + EncodeUrl(s.nom) +
                            "\" border=\"0\"  height=\"50\" ></a></p>");
    }
    MemoHtml2.emplace_back(" </td></tr></table>");
    MemoHtml2.emplace_back("<div align=\"center\"><center>");
    MemoHtml2.push_back("<table border=\"" + Nombre(r.bordure_tableau) + "\"");
    if (!r.sans_couleur_encadrement_grande_photo)
        MemoHtml2.push_back("bordercolor=\"" + cadre + "\"");
    MemoHtml2.push_back("cellspacing=\"0\" cellpadding=\"" + Nombre(r.encadrement_grande_photo) +
                        "\">");
    MemoHtml2.emplace_back("<tr>");
    if (r.sans_couleur_encadrement_grande_photo) {
        MemoHtml2.emplace_back("<td align=\"center\">");
    } else {
        MemoHtml2.push_back("<td align=\"center\" bgcolor=\"" + cadre + "\">");
    }
    MemoHtml2.emplace_back("<script language=\"JavaScript\">");
    MemoHtml2.push_back("if (window.screen.height>" + Nombre(int64_t{image.hauteur} + 200) + ")");
    MemoHtml2.push_back("{document.write('<img src=\"" + source + "\"  height=\"" +
                        Nombre(image.hauteur) + "\" width=\"" + Nombre(image.largeur) + "\">');}");
    MemoHtml2.push_back("else {document.write('<img src=\"" + source + "\"  height=\"" +
                        reduit(image.hauteur) + "\" width=\"" + reduit(image.largeur) + "\">');} ");
    for (const char* fin : {"</script>", "</td>", "</tr>", "</table>"}) MemoHtml2.emplace_back(fin);
    MemoHtml2.push_back("<font size=\"2\" color=\"" + CouleurHtml(r.couleur_texte_exif) + "\">");
    AjouteLegendes(MemoHtml2, r, DecoupeNom(image.chemin).nom, legendes, false);
    MemoHtml2.emplace_back("</center></div>");
    EcritFinHtml(MemoHtml2);
    return MemoHtml2;
}

AlbumHtml::AlbumHtml(ReglagesAlbum reglages, std::vector<std::string> images)
    : reglages_(std::move(reglages)), images_(std::move(images)) {
    AppliqueReplis(reglages_);
}

std::string AlbumHtml::Dossier() const {
    return PartieDossier(reglages_.page);
}

std::string AlbumHtml::PetiteCopie(const std::string& image) const {
    return Dossier() + reglages_.sous_dossier_petites + NomCopie(image);
}

std::string AlbumHtml::GrandeCopie(const std::string& image) const {
    return Dossier() + reglages_.sous_dossier_grandes + NomCopie(image);
}

std::string AlbumHtml::PageImage(const std::string& image) const {
    return Dossier() + reglages_.sous_dossier_grandes + DecoupeNom(NomCopie(image)).base + ".htm";
}

void AlbumHtml::VerifieCibles() const {
    std::set<std::pair<uint64_t, uint64_t>> sources;
    for (const std::string& image : images_) {
        if (const auto id = platform::IdentifyFile(image)) sources.insert({id->device, id->inode});
    }
    const auto refuse_si_source = [&](const std::string& cible, const std::string& image) {
        const auto id = platform::IdentifyFile(cible);
        if (id && sources.contains({id->device, id->inode})) {
            platform::RaiseMessage("L'album remplacerait l'image \"" + image +
                                   "\" elle-même par \"" + cible +
                                   "\". Choisissez un autre dossier pour la page ou d'autres "
                                   "sous-dossiers pour les images.");
        }
    };
    for (const std::string& image : images_) {
        if (reglages_.generer_images) {
            refuse_si_source(PetiteCopie(image), image);
            refuse_si_source(GrandeCopie(image), image);
        }
        refuse_si_source(PageImage(image), image);
    }
    refuse_si_source(reglages_.page, reglages_.page);
}

void AlbumHtml::CreePageGrandeImage(const ImagePage& image, const LegendesImage& legendes) const {
    EcritPage(PageImage(image.chemin), LignesPageImage(reglages_, image, legendes));
}

std::vector<FichierIllisible> AlbumHtml::Cree(
    const std::function<void(const std::string&)>& avancement) const {
    VerifieCibles();
    const ReglagesAlbum& r = reglages_;
    CreeDossier(Dossier());
    if (r.generer_images) CreeDossier(Dossier() + r.sous_dossier_petites);
    CreeDossier(Dossier() + r.sous_dossier_grandes);

    // What a worker makes of one picture: its metadata read once, for the
    // copies, the cell and the picture's page.
    struct Image {
        std::optional<std::string> illisible;  // the reason
        LegendesImage legendes;
        components::TailleImage petite;
        components::TailleImage grande;
        std::vector<components::CopieEncodee> copies;
    };
    std::vector<Image> lues(images_.size());
    const std::array<components::CopieJpeg, 2> copies{{
        {{}, r.taille_petite, r.qualite_petites},
        {{}, r.taille_grande, r.qualite_grandes},
    }};
    const auto prepare = [&](size_t i, Tampons& tampons) {
        const std::string& image = images_[i];
        Image& lue = lues[i];
        try {
            metadata::TimgData donnees(255);
            donnees.ReadPictureFile(image);
            lue.legendes = LegendesDe(donnees);
            if (r.generer_images) {
                const std::unique_ptr<platform::Graphic> source =
                    platform::PictureRegistry::Instance().CreateFor(image);
                source->LoadFromFile(image);
                lue.copies =
                    components::EncodeCopiesCoteMax(*source, donnees, copies, tampons.decodee);
                lue.petite = lue.copies[0].taille;
                lue.grande = lue.copies[1].taille;
            } else {
                lue.petite = components::TailleJpeg(PetiteCopie(image));
                lue.grande = components::TailleJpeg(GrandeCopie(image));
            }
            // Browsers show such a photo turned a quarter, as its
            // orientation says.
            if (Quart(donnees)) {
                std::swap(lue.petite.largeur, lue.petite.hauteur);
                std::swap(lue.grande.largeur, lue.grande.hauteur);
            }
        } catch (const platform::BudgetBusy&) {
            lue = Image{};
            throw;
        } catch (const std::exception& e) {
            lue = Image{};
            lue.illisible = platform::UserMessage(e);
        }
    };
    std::vector<FichierIllisible> illisibles;
    std::vector<size_t> retenues;
    const auto termine = [&](size_t i) {
        const std::string& image = images_[i];
        Image& lue = lues[i];
        if (avancement) avancement(image);
        if (lue.illisible) {
            illisibles.push_back({image, *lue.illisible});
            return;
        }
        if (r.generer_images) {
            components::EcritCopie(PetiteCopie(image), lue.copies[0].octets);
            components::EcritCopie(GrandeCopie(image), lue.copies[1].octets);
            lue.copies.clear();
        }
        retenues.push_back(i);
    };
    ChaineTraitement chaine;
    chaine.fils = fils;
    chaine.Execute(images_.size(), prepare, termine);

    std::vector<std::string> MemoHtml;
    EcritEnteteHtml(MemoHtml, r);
    MemoHtml.push_back("<h1 align=\"center\">" + VersPageHtml(r.titre) + "</h1>");
    MemoHtml.emplace_back("<div align=\"center\"><center>");
    MemoHtml.push_back("<table border=\"" + Nombre(r.bordure_tableau) + "\" cellspacing=\"" +
                       Nombre(r.espace_entre_images) + "\" cellpadding=\"" + Nombre(r.encadrement) +
                       "\">");
    MemoHtml.insert(MemoHtml.end(), kScript.begin(), kScript.end());

    const auto nombre = static_cast<int64_t>(retenues.size());
    const int64_t par_ligne = r.images_par_ligne;
    const auto image_de = [&](int64_t k) -> const std::string& {
        return images_[retenues[static_cast<size_t>(k)]];
    };
    for (int64_t rang = 0; rang <= nombre / par_ligne; ++rang) {
        MemoHtml.emplace_back("<tr>");
        for (int64_t k = rang * par_ligne; k < std::min(nombre, (rang + 1) * par_ligne); ++k) {
            const Image& lue = lues[retenues[static_cast<size_t>(k)]];
            const std::vector<std::string> cellule = LignesCellule(
                r, image_de(k), lue.petite.largeur, lue.petite.hauteur, lue.legendes);
            MemoHtml.insert(MemoHtml.end(), cellule.begin(), cellule.end());

            ImagePage p;
            p.chemin = image_de(k);
            if (k > 0) p.precedente = image_de(k - 1);
            if (k + 1 < nombre) p.suivante = image_de(k + 1);
            p.largeur = lue.grande.largeur;
            p.hauteur = lue.grande.hauteur;
            CreePageGrandeImage(p, lue.legendes);
        }
        MemoHtml.emplace_back("</tr>");
    }
    MemoHtml.emplace_back("</table>");
    MemoHtml.emplace_back("</center></div>");
    EcritFinHtml(MemoHtml);
    EcritPage(r.page, MemoHtml);
    return illisibles;
}

std::string MessageImagesIllisibles(const std::vector<FichierIllisible>& images) {
    return MessageIllisibles(images,
                             "Ces images n'ont pas pu être lues et ne sont pas dans l'album :");
}

}  // namespace app
