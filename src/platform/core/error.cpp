#include "platform/core/error.h"

#include <array>
#include <cerrno>
#include <new>

namespace platform {

namespace {

struct MessageRow {
    ErrorKind kind;
    std::string_view text;
};

constexpr std::array kMessages{
    MessageRow{ErrorKind::Range, "Erreur de vérification d'étendue"},
    MessageRow{ErrorKind::IntOverflow, "Débordement d'entier"},
    MessageRow{ErrorKind::UnknownExtension, "Extension de fichier image inconnue (.%s)"},
    MessageRow{ErrorKind::FileOpen, "Impossible d'ouvrir le fichier \"%s\". %s"},
    MessageRow{ErrorKind::FileCreate, "Impossible de créer le fichier \"%s\". %s"},
    MessageRow{ErrorKind::StreamRead, "Erreur de lecture du flux"},
    MessageRow{ErrorKind::StreamWrite, "Erreur d'écriture du flux"},
    MessageRow{ErrorKind::OutOfMemory, "Mémoire insuffisante"},
    MessageRow{ErrorKind::Jpeg, "Erreur JPEG #%d"},
    MessageRow{ErrorKind::ScanLine, "Indice ligne hors limites"},
    MessageRow{ErrorKind::InvalidBitmap, "Image bitmap incorrecte"},
    MessageRow{ErrorKind::Assign, "Impossible d'affecter %s à %s"},
    MessageRow{ErrorKind::Message, "%s"},
};
static_assert(kMessages.size() == static_cast<size_t>(ErrorKind::Message) + 1,
              "one message per error kind");

constexpr bool RowsInKindOrder() {
    for (size_t i = 0; i < kMessages.size(); ++i) {
        if (static_cast<size_t>(kMessages[i].kind) != i) return false;
    }
    return true;
}
static_assert(RowsInKindOrder(), "message rows follow the ErrorKind order");

// Fills the %s and %d placeholders of a template in order; the arguments are
// already texts.
std::string Fill(std::string_view format, std::initializer_list<std::string_view> args) {
    std::string out;
    auto next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() &&
            (format[i + 1] == 's' || format[i + 1] == 'd') && next != args.end()) {
            out.append(*next++);
            ++i;
        } else {
            out.push_back(format[i]);
        }
    }
    return out;
}

[[noreturn]] void Raise(ErrorKind kind, std::initializer_list<std::string_view> args = {}) {
    throw Error(kind, Fill(MessageTemplate(kind), args));
}

}  // namespace

Error::Error(ErrorKind kind, const std::string& message)
    : std::runtime_error(message), kind_(kind) {}

std::string_view MessageTemplate(ErrorKind kind) {
    return kMessages[static_cast<size_t>(kind)].text;
}

void RaiseRange() {
    Raise(ErrorKind::Range);
}
void RaiseOverflow() {
    Raise(ErrorKind::IntOverflow);
}
void RaiseUnknownExtension(std::string_view extension) {
    Raise(ErrorKind::UnknownExtension, {extension});
}
void RaiseFileOpen(std::string_view path, int error_number) {
    Raise(ErrorKind::FileOpen, {path, SystemErrorText(error_number)});
}
void RaiseFileCreate(std::string_view path, int error_number) {
    Raise(ErrorKind::FileCreate, {path, SystemErrorText(error_number)});
}
void RaiseStreamRead() {
    Raise(ErrorKind::StreamRead);
}
void RaiseStreamWrite() {
    Raise(ErrorKind::StreamWrite);
}
void RaiseOutOfMemory() {
    Raise(ErrorKind::OutOfMemory);
}
void RaiseJpeg(int message_code) {
    Raise(ErrorKind::Jpeg, {std::to_string(message_code)});
}
void RaiseScanLine() {
    Raise(ErrorKind::ScanLine);
}
void RaiseInvalidBitmap() {
    Raise(ErrorKind::InvalidBitmap);
}
void RaiseAssign(std::string_view source_class, std::string_view target_class) {
    Raise(ErrorKind::Assign, {source_class, target_class});
}
void RaiseMessage(const std::string& message) {
    throw Error(ErrorKind::Message, message);
}

std::string UserMessage(const std::exception& error) {
    const auto* own = dynamic_cast<const Error*>(&error);
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr ||
        (own != nullptr && own->Kind() == ErrorKind::OutOfMemory)) {
        return std::string(MessageTemplate(ErrorKind::OutOfMemory));
    }
    return error.what();
}

std::string SystemErrorText(int error_number) {
    switch (error_number) {
        case ENOENT:
            return "Le fichier spécifié est introuvable.";
        case ENOTDIR:
            return "Le chemin d'accès spécifié est introuvable.";
        case EACCES:
        case EPERM:
            return "Accès refusé.";
        case EEXIST:
            return "Le fichier existe.";
        case EISDIR:
            return "Le fichier spécifié est un dossier.";
        case ENXIO:
            return "Le fichier spécifié n'est pas un fichier ordinaire.";
        case ENOSPC:
            return "Espace insuffisant sur le disque.";
        case EROFS:
            return "Le support est protégé en écriture.";
        case ENAMETOOLONG:
            return "Le nom de fichier est trop long.";
        case EMFILE:
        case ENFILE:
            return "Le système ne peut pas ouvrir le fichier.";
        case EIO:
            return "Erreur d'entrée/sortie.";
        default:
            return "Erreur système " + std::to_string(error_number) + ".";
    }
}

}  // namespace platform
