#include "ui/QtSettings.h"

#include <QStandardPaths>
#include <QStringList>

#include "ui/QtText.h"

namespace pv::ui {
namespace {

constexpr const char* kProgram = "postvane-config";
constexpr const char* kRememberNothing = "rememberNothing";

}  // namespace

void KeepToolkitSettings(bool keep) {
    // Where they are as the program starts, before any call here moves them.
    static const QString kept = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString where = keep ? kept : QStringLiteral("/dev/null");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, where);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, where);
}

QtSettings::QtSettings()
    : store_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kProgram, kProgram)),
      keeping_(!store_->value(kRememberNothing, false).toBool()) {
    if (!keeping_) KeepToolkitSettings(false);
}

QtSettings::QtSettings(const QString& path)
    : store_(std::make_unique<QSettings>(path, QSettings::IniFormat)),
      keeping_(!store_->value(kRememberNothing, false).toBool()) {
    if (!keeping_) KeepToolkitSettings(false);
}

// A text is read as the file was last synchronised: a window's place another editor moved meanwhile is no
// loss. Lists are read afresh (List), since a list is changed by reading it first.
// A value written by hand that Qt reads as something else is still no empty one, which would mean "not set"
// and bring back the default (backups/kept=1,000 would then keep ten): a list ("1,000" is one to Qt) is
// given back joined by commas again, anything else that is no text (an "@Rect(...)") by its kind.
std::string QtSettings::Text(const std::string& key) const {
    if (!keeping_ && !IsPreference(key)) return session_.Text(key);
    const QVariant value = store_->value(Q(key));
    if (value.typeId() == QMetaType::QStringList) return S(value.toStringList().join(", "));
    if (!value.isValid() || value.canConvert<QString>()) return S(value.toString());
    return std::string("@") + value.typeName();
}

bool QtSettings::Stores(const std::string& key) {
    if (IsPreference(key)) return true;
    if (!keeping_) return false;
    Sync();
    if (store_->value(kRememberNothing, false).toBool()) {
        keeping_ = false;
        KeepToolkitSettings(false);
        return false;
    }
    return true;
}

// A setting that keeps its value is not set again (as the file was last read: the editor sets its window's
// place and what it shows at every start and close, and each setting synchronises the whole file with the
// disk).
void QtSettings::SetText(const std::string& key, const std::string& value) {
    if (Holds(key, Q(value))) return;
    if (!Stores(key)) return session_.SetText(key, value);
    store_->setValue(Q(key), Q(value));
    Sync();
}

std::vector<std::string> QtSettings::List(const std::string& key) const {
    if (!keeping_ && !IsPreference(key)) return session_.List(key);
    Sync();
    std::vector<std::string> values;
    for (const QString& value : store_->value(Q(key)).toStringList()) values.push_back(S(value));
    return values;
}

void QtSettings::SetList(const std::string& key, const std::vector<std::string>& values) {
    QStringList list;
    for (const std::string& value : values) list.push_back(Q(value));
    if (Holds(key, list)) return;
    if (!Stores(key)) return session_.SetList(key, values);
    store_->setValue(Q(key), list);
    Sync();
}

bool QtSettings::Holds(const std::string& key, const QVariant& value) const {
    if (!keeping_ && !IsPreference(key)) return false;
    const QString name = Q(key);
    if (!store_->contains(name)) return false;
    // A list of one is read back as its text.
    const QVariant held = store_->value(name);
    return value.typeId() == QMetaType::QStringList ? held.toStringList() == value.toStringList()
                                                    : held == value;
}

void QtSettings::ForgetAllButPreferences() {
    // What another editor running wrote meanwhile is forgotten too.
    Sync();
    for (const QString& key : store_->allKeys()) {
        if (!IsPreference(S(key))) store_->remove(key);
    }
}

void QtSettings::SetKeeping(bool keep) {
    if (keep == keeping_) return;
    keeping_ = keep;
    KeepToolkitSettings(keep);
    ForgetAllButPreferences();
    if (!keep) {
        store_->setValue(kRememberNothing, true);
        session_ = pv::MemorySettings();
    }
    Sync();
}

void QtSettings::TellWhenUnwritable(std::function<void(const std::string& file)> tell) {
    tell_ = std::move(tell);
}

// Reads what other editors wrote, and writes what is set; a file that cannot be written (its folder is a
// file, it is a folder, the disk is full) is told once.
void QtSettings::Sync() const {
    store_->sync();
    if (store_->status() != QSettings::AccessError || told_ || !tell_) return;
    told_ = true;
    tell_(S(store_->fileName()));
}

}  // namespace pv::ui
