#include "core/framework/result_cache.h"

#include "core/raster/raster_primitives.h"

#include <cstring>

bool operator<(const CacheKey& a, const CacheKey& b)
{
    const qsizetype common = std::min(a.imageDigest.size(), b.imageDigest.size());
    const int order =
        std::memcmp(a.imageDigest.constData(), b.imageDigest.constData(), size_t(common));
    if (order != 0)
        return order < 0;
    if (a.imageDigest.size() != b.imageDigest.size())
        return a.imageDigest.size() < b.imageDigest.size();
    return a.parametersText < b.parametersText;
}

CacheKey makeKey(const QImage& image, const FilterParameters& parameters)
{
    return CacheKey{imageDigest(image), parameters.valuesText()};
}

void ResultCache::insert(const CacheKey& key, const QImage& image)
{
    // Evicts before inserting, even when the key is already present: the smallest key, not the
    // oldest entry.
    if (m_entries.size() > kCapacity - 1)
        m_entries.erase(m_entries.begin());
    m_entries.insert(key, image);
}
