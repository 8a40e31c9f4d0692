#include "jobs/PlaceEdit.h"

RecordPlace SharedPlace(const QList<RecordPlace>& places)
{
    if (places.isEmpty())
        return {};
    RecordPlace shared = places.first();
    for (const RecordPlace& place : places)
        for (int f = 0; f < RecordPlace::kFields; ++f)
            if (shared.texts[f] != place.texts[f])
                shared.texts[f].reset();
    return shared;
}

RecordPlace ChangedPlace(const RecordPlace& shared,
                         const std::array<QString, RecordPlace::kFields>& entered)
{
    RecordPlace change;
    for (int f = 0; f < RecordPlace::kFields; ++f) {
        const QString text = entered[f].trimmed();
        if (text != shared.Text(static_cast<RecordPlace::Field>(f)))
            change.texts[f] = text;
    }
    return change;
}

RecordPlace AppliedPlace(RecordPlace place, const RecordPlace& change)
{
    for (int f = 0; f < RecordPlace::kFields; ++f) {
        if (!change.texts[f])
            continue;
        if (change.texts[f]->isEmpty())
            place.texts[f].reset();
        else
            place.texts[f] = change.texts[f];
    }
    return place;
}
