// Errors raised by the platform layer, with the French texts the user sees.
//
// Every error of the layer is one `Error` carrying a kind and its formatted
// message; the texts are data (one table in error.cpp), so a kind and its
// message cannot drift apart. Code that only wants to show the message catches
// std::exception and calls what().
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

enum class ErrorKind {
    Range,             // "Erreur de vérification d'étendue"
    IntOverflow,       // "Débordement d'entier"
    UnknownExtension,  // "Extension de fichier image inconnue (.%s)"
    FileOpen,          // "Impossible d'ouvrir le fichier "%s". %s"
    FileCreate,        // "Impossible de créer le fichier "%s". %s"
    StreamRead,        // "Erreur de lecture du flux"
    StreamWrite,       // "Erreur d'écriture du flux"
    OutOfMemory,       // "Mémoire insuffisante"
    Jpeg,              // "Erreur JPEG #%d"
    ScanLine,          // "Indice ligne hors limites"
    InvalidBitmap,     // "Image bitmap incorrecte"
    Assign,            // "Impossible d'affecter %s à %s"
    Message,           // a text given by the caller, shown as it is
};

class Error : public std::runtime_error {
public:
    Error(ErrorKind kind, const std::string& message);
    ErrorKind Kind() const noexcept { return kind_; }

private:
    ErrorKind kind_;
};

// The silent exception: it ends an operation that was called off (a progress
// handler that stops a rendering) and is shown to no one.
class Abort : public std::exception {
public:
    const char* what() const noexcept override { return "Opération abandonnée"; }
};

// The message template of a kind, with its %s and %d placeholders.
std::string_view MessageTemplate(ErrorKind kind);

// Raisers, one per kind; the arguments fill the template's placeholders in order.
[[noreturn]] void RaiseRange();
[[noreturn]] void RaiseOverflow();
[[noreturn]] void RaiseUnknownExtension(std::string_view extension);
[[noreturn]] void RaiseFileOpen(std::string_view path, int error_number);
[[noreturn]] void RaiseFileCreate(std::string_view path, int error_number);
[[noreturn]] void RaiseStreamRead();
[[noreturn]] void RaiseStreamWrite();
[[noreturn]] void RaiseOutOfMemory();
[[noreturn]] void RaiseJpeg(int message_code);
[[noreturn]] void RaiseScanLine();
[[noreturn]] void RaiseInvalidBitmap();
[[noreturn]] void RaiseAssign(std::string_view source_class, std::string_view target_class);
[[noreturn]] void RaiseMessage(const std::string& message);

// What the user is told of an exception: its message, except that every
// failure to allocate says "Mémoire insuffisante", whoever raised it (the
// library's std::bad_alloc, a codec's own out-of-memory error).
std::string UserMessage(const std::exception& error);

// The French text of a system error number, as the desktop would word it
// ("Le fichier spécifié est introuvable.").
std::string SystemErrorText(int error_number);

}  // namespace platform
