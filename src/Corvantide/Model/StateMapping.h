#pragma once

#include <QList>
#include <QString>

#include <optional>

/*! Which status image an issue shows: "StateMapping.plist" maps Jira status names to an image name and a
    status-category key, and must hold an entry "Unknown". Entries keep the order of the file. */
class StateMapping {
public:
    struct Entry {
        QString statusName;
        std::optional<QString> image;
        std::optional<QString> categoryKey;
    };

    /*! Nothing, with *errorMessage set, when the file is missing or is not a dictionary of dictionaries of
        strings. */
    static std::optional<StateMapping> load(const QString& path, QString* errorMessage = nullptr);

    /*! The application's mapping (Resources/StateMapping.plist), read on first use; it does not change
        while the application runs. Nothing when the resource is missing or broken (logged once). */
    static const std::optional<StateMapping>& application();

    /*! Resolved in this order: the image of the entry named after the status; the image of the first
        entry in file order whose "categoryKey" is the category key (only that entry is asked); the image
        of the entry "Unknown". Nothing only when the last step finds no "Unknown" image. */
    std::optional<QString> imageName(const std::optional<QString>& statusName,
                                     const std::optional<QString>& categoryKey) const;

    const QList<Entry>& entries() const { return m_entries; }

private:
    QList<Entry> m_entries;
};
