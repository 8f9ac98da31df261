#include "platform/qt/qt_services.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QUrl>

#include <fstream>
#include <sstream>
#include <vector>

#include "files/file_system.h"
#include "files/opening_budget.h"
#include "platform/pure/encoding.h"
#include "platform/pure/utf8.h"
#include "platform/qt/plain_printer.h"
#include "platform/qt/progress_display.h"

namespace scrivane {

namespace {

QString fromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string toUtf8(const QString& s) {
    const QByteArray bytes = s.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QMessageBox::StandardButtons qtButtons(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return QMessageBox::Ok;
        case Buttons::YesNo:
        case Buttons::YesNoDefaultNo:
            return QMessageBox::Yes | QMessageBox::No;
        case Buttons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
        case Icon::None:
            return QMessageBox::NoIcon;
        case Icon::Question:
            return QMessageBox::Question;
        case Icon::Warning:
            return QMessageBox::Warning;
        case Icon::Error:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

Answer answerFor(int pressed, Buttons buttons) {
    switch (pressed) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            // Closed without a button: an Ok box was still only acknowledged.
            return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

// A path has no blank to wrap at, and a box is never narrower than its longest unbroken
// word: a long one would make it wider than the window, or the screen. Long words get
// invisible break opportunities after each '/' and, within a long name, every so many
// characters.
QString withBreaksInLongWords(const QString& text) {
    constexpr qsizetype kLongWord = 40;
    constexpr qsizetype kLongName = 30;
    constexpr QChar kBreak(0x200B);  // zero-width space
    QString out;
    out.reserve(text.size() + text.size() / kLongName);
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = start;
        while (end < text.size() && !text[end].isSpace()) ++end;
        if (end - start <= kLongWord) {
            out += QStringView(text).mid(start, end - start);
        } else {
            qsizetype sinceBreak = 0;
            for (qsizetype i = start; i < end; ++i) {
                // Never between the halves of a surrogate pair.
                if (sinceBreak >= kLongName && !text[i].isLowSurrogate()) {
                    out += kBreak;
                    sinceBreak = 0;
                }
                out += text[i];
                ++sinceBreak;
                if (text[i] == QLatin1Char('/') && i + 1 < end) {
                    out += kBreak;
                    sinceBreak = 0;
                }
            }
        }
        for (; end < text.size() && text[end].isSpace(); ++end) out += text[end];
        start = end;
    }
    return out;
}

}  // namespace

std::string messageDisplayText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            // A CR LF or LF CR pair is one break; a lone CR or LF is one too.
            const char partner = c == '\r' ? '\n' : '\r';
            if (i + 1 < text.size() && text[i + 1] == partner) ++i;
            out += '\n';
        } else {
            out += c;
        }
    }
    return out;
}

std::string qtFileFilter(std::string_view filter) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const auto bar = filter.find('|', start);
        parts.push_back(filter.substr(start, bar == std::string_view::npos ? bar : bar - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    std::string out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string_view label = parts[i];
        // The label may name its patterns in parentheses already; Qt adds its own.
        if (const auto paren = label.find(" ("); paren != std::string_view::npos) {
            label = label.substr(0, paren);
        }
        std::string patterns;
        std::string_view rest = parts[i + 1];
        while (!rest.empty()) {
            const auto semi = rest.find(';');
            std::string_view one = rest.substr(0, semi);
            rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
            if (one.empty()) continue;
            if (!patterns.empty()) patterns += ' ';
            patterns += one == "*.*" ? std::string_view("*") : one;
        }
        if (!out.empty()) out += ";;";
        out.append(label).append(" (").append(patterns).append(")");
    }
    return out;
}

QString textFromBytes(std::string_view bytes) {
    const auto size = static_cast<qsizetype>(bytes.size());
    return isValidUtf8(bytes) ? QString::fromUtf8(bytes.data(), size)
                              : QString::fromLatin1(bytes.data(), size);
}

QString readableText(std::string_view bytes) {
    const std::string text = escapeInvalidUtf8(bytes);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QtServices::QtServices(QWidget* parent)
    : parent_(parent), progress_(std::make_unique<ProgressDisplay>(parent)) {}

QtServices::~QtServices() {
    if (busy_) QApplication::restoreOverrideCursor();
}

void QtServices::giveKeyboardBack() {
    // Without a window manager nothing hands the keyboard back to the window after a dialog.
    if (parent_ != nullptr) parent_->activateWindow();
}

Answer QtServices::MessageBox(const std::string& text, Buttons buttons, Icon icon) {
    QMessageBox box(qtIcon(icon), kProgramName,
                    withBreaksInLongWords(readableText(messageDisplayText(text))),
                    qtButtons(buttons), parent_);
    // Texts carry file names and document text, never markup: "<b>" stays as typed.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(buttons == Buttons::Ok               ? QMessageBox::Ok
                         : buttons == Buttons::YesNoDefaultNo ? QMessageBox::No
                                                              : QMessageBox::Yes);
    const int answer = box.exec();
    giveKeyboardBack();
    return answerFor(answer, buttons);
}

std::string QtServices::InputBox(const std::string& prompt, const std::string& initial) {
    bool ok = false;
    const QString typed =
        QInputDialog::getText(parent_, kProgramName, textFromBytes(messageDisplayText(prompt)),
                              QLineEdit::Normal, textFromBytes(initial), &ok);
    giveKeyboardBack();
    return ok ? toUtf8(typed) : std::string();
}

std::string QtServices::showFileDialog(FileDialog kind, const std::string& startName) {
    QFileDialog dialog(parent_, kProgramName);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilters(
        QString::fromStdString(qtFileFilter(kFileFilter)).split(QStringLiteral(";;")));
    if (kind == FileDialog::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        // Asking before an existing file is replaced is the dialog's default.
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    if (startName.empty()) {
        dialog.setDirectory(QDir::currentPath());
    } else {
        const QFileInfo start(fromUtf8(startName));
        if (start.isDir()) {
            dialog.setDirectory(start.absoluteFilePath());
        } else {
            dialog.setDirectory(start.absolutePath());
            dialog.selectFile(start.fileName());
        }
    }
    const bool accepted = dialog.exec() == QDialog::Accepted;
    giveKeyboardBack();
    if (!accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? std::string() : toUtf8(chosen.front());
}

std::string QtServices::ShowOpen(const std::string& startName) {
    return showFileDialog(FileDialog::Open, startName);
}

std::string QtServices::ShowSave(const std::string& startName) {
    return showFileDialog(FileDialog::Save, startName);
}

std::optional<FontSpec> QtServices::ShowFont(const FontSpec& current) {
    QFont initial(fromUtf8(current.name));
    if (current.size > 0) initial.setPointSizeF(current.size);
    initial.setBold(current.bold);
    initial.setItalic(current.italic);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, parent_, kProgramName);
    if (!ok) return std::nullopt;
    FontSpec spec;
    spec.name = toUtf8(chosen.family());
    spec.size = chosen.pointSizeF() > 0 ? chosen.pointSizeF() : current.size;
    spec.bold = chosen.bold();
    spec.italic = chosen.italic();
    return spec;
}

std::string QtServices::ClipboardText() {
    return toUtf8(QGuiApplication::clipboard()->text());
}

void QtServices::SetClipboardText(const std::string& text) {
    QGuiApplication::clipboard()->setText(textFromBytes(text));
}

void QtServices::ClearClipboard() {
    QGuiApplication::clipboard()->clear();
}

bool QtServices::PrintText(const std::string& text, const FontSpec& font, std::string& error) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        error = "No printer is available.";
        return false;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(kProgramName);
    if (!printPlainText(printer, textFromBytes(text), printFont(font))) {
        error = "The document could not be printed on " + toUtf8(info.printerName()) + ".";
        return false;
    }
    return true;
}

void QtServices::OpenInViewer(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(fromUtf8(path)));
}

std::optional<TimePoint> QtServices::FileModified(const std::string& path) {
    return fileModified(path);
}

std::string QtServices::FirstMatch(const std::string& dir, const std::string& pattern) {
    return firstMatch(dir, pattern);
}

std::string QtServices::CurrentDir() {
    return currentDir();
}

bool QtServices::SetCurrentDir(const std::string& dir) {
    return setCurrentDir(dir);
}

bool QtServices::MakeDir(const std::string& dir) {
    return makeDirs(dir);
}

std::string QtServices::ProgramDir() {
    return toUtf8(QCoreApplication::applicationDirPath());
}

std::string QtServices::ConfigDir() {
    return toUtf8(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

TimePoint QtServices::Now() {
    return std::chrono::system_clock::now();
}

void QtServices::SetBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void QtServices::ProcessEvents() {
    QCoreApplication::processEvents();
}

std::optional<std::uint64_t> QtServices::MemoryAvailable() {
    std::ifstream in("/proc/meminfo");
    std::stringstream text;
    text << in.rdbuf();
    return memAvailable(text.str());
}

bool QtServices::Progress(const std::string& what, double done, bool cancellable) {
    return progress_->step(what, done, cancellable);
}

bool QtServices::InProgress() const {
    return progress_ && progress_->running();
}

void QtServices::WatchProgress(std::function<void(bool running)> watch) {
    progress_->onRunning = std::move(watch);
}

void QtServices::EndProgress() {
    progress_->end();
}

}  // namespace scrivane
