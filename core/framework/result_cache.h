#pragma once

#include <QByteArray>
#include <QImage>
#include <QMap>
#include <QString>

#include "core/framework/filter_parameters.h"

// The key of a finished preview render: the picture's pixel digest and the parameter set's text.
struct CacheKey
{
    QByteArray imageDigest;
    QString parametersText;

    bool operator==(const CacheKey& other) const
    {
        return imageDigest == other.imageDigest && parametersText == other.parametersText;
    }
};

// Digests compare bytewise as unsigned bytes (a prefix first), then the texts.
bool operator<(const CacheKey& a, const CacheKey& b);

CacheKey makeKey(const QImage& image, const FilterParameters& parameters);

// Finished preview renders, so stepping back to earlier settings shows the result at once. Holds
// at most 6 entries; when full, the entry with the smallest key goes first. Lives in the control
// window and is used on the GUI thread only.
class ResultCache
{
public:
    static constexpr int kCapacity = 6;

    bool contains(const CacheKey& key) const { return m_entries.contains(key); }
    // The stored image, or a null image.
    QImage lookup(const CacheKey& key) const { return m_entries.value(key); }
    void insert(const CacheKey& key, const QImage& image);
    int size() const { return m_entries.size(); }
    QList<CacheKey> keys() const { return m_entries.keys(); }

private:
    QMap<CacheKey, QImage> m_entries;
};
