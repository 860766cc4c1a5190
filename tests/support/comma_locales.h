// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Desktops whose numbers use a decimal comma (ru_RU, de_DE). Where the system has not generated
// them, they are made once per build tree with localedef and found through LOCPATH.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <clocale>
#include <cstdlib>
#include <string>

namespace tolvin::test {

inline const QStringList &commaLocales() {
    static const QStringList names{QStringLiteral("ru_RU.UTF-8"), QStringLiteral("de_DE.UTF-8")};
    return names;
}

// The folder to give as LOCPATH, or an empty string with `why` set when localedef failed.
inline QString commaLocaleDir(QString *why = nullptr) {
    static QString dir;
    static QString failure;
    static bool tried = false;
    if (!tried) {
        tried = true;
        const QString root = QStringLiteral(TOLVIN_TEST_LOCALE_DIR);
        QDir().mkpath(root);
        for (const QString &name : commaLocales()) {
            if (QFileInfo::exists(root + QLatin1Char('/') + name + QStringLiteral("/LC_NUMERIC")))
                continue;
            const QString lang = name.section(QLatin1Char('.'), 0, 0);
            QProcess p;
            p.start(QStringLiteral("localedef"), {QStringLiteral("-i"), lang, QStringLiteral("-f"),
                                                  QStringLiteral("UTF-8"), root + QLatin1Char('/') + name});
            // localedef warns and exits 1 on harmless notes; the compiled locale is what counts.
            p.waitForFinished(120000);
            if (!QFileInfo::exists(root + QLatin1Char('/') + name + QStringLiteral("/LC_NUMERIC"))) {
                failure = QStringLiteral("localedef could not make %1: %2").arg(name, QString::fromLocal8Bit(p.readAllStandardError()));
                break;
            }
        }
        if (failure.isEmpty())
            dir = root;
    }
    if (why)
        *why = failure;
    return dir;
}

// The process's C library runs under a comma locale for the scope of this object.
class ScopedCLocale {
public:
    explicit ScopedCLocale(const QString &name) {
        m_saved = std::setlocale(LC_ALL, nullptr);
        if (name != QLatin1String("C")) {
            ::setenv("LOCPATH", commaLocaleDir().toLocal8Bit().constData(), 1);
            m_ok = std::setlocale(LC_ALL, name.toLatin1().constData()) != nullptr;
        } else {
            m_ok = std::setlocale(LC_ALL, "C") != nullptr;
        }
    }
    ~ScopedCLocale() {
        std::setlocale(LC_ALL, m_saved.c_str());
        ::unsetenv("LOCPATH");
    }
    bool ok() const { return m_ok; }
    static std::string decimalPoint() { return std::localeconv()->decimal_point; }

private:
    std::string m_saved;
    bool m_ok = false;
};

// The environment of a desktop session under `name`.
inline QProcessEnvironment desktopEnvironment(const QString &name) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), name);
    env.insert(QStringLiteral("LC_ALL"), name);
    if (name != QLatin1String("C"))
        env.insert(QStringLiteral("LOCPATH"), commaLocaleDir());
    return env;
}

} // namespace tolvin::test
