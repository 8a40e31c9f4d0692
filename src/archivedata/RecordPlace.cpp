#include "archivedata/RecordPlace.h"

#include <QCoreApplication>

QString PlaceFieldName(RecordPlace::Field field)
{
    switch (field) {
    case RecordPlace::Job:
        return QStringLiteral("job");
    case RecordPlace::Site:
        return QStringLiteral("site");
    case RecordPlace::Ont:
        return QStringLiteral("ont");
    case RecordPlace::PonPort:
        return QStringLiteral("pon_port");
    case RecordPlace::Technician:
        break;
    }
    return QStringLiteral("technician");
}

QString PlaceFieldLabel(RecordPlace::Field field)
{
    switch (field) {
    case RecordPlace::Job:
        return QCoreApplication::translate("RecordPlace", "Job");
    case RecordPlace::Site:
        return QCoreApplication::translate("RecordPlace", "Site");
    case RecordPlace::Ont:
        return QCoreApplication::translate("RecordPlace", "ONT");
    case RecordPlace::PonPort:
        return QCoreApplication::translate("RecordPlace", "PON Port");
    case RecordPlace::Technician:
        break;
    }
    return QCoreApplication::translate("RecordPlace", "Technician");
}
