#pragma once

#include "archive/data/ArchiveTypes.h"

#include <QByteArray>
#include <optional>

// A submission as JSON and back: how a download that waits for a server is kept on this PC.
// Nothing for a text that is not one.
QByteArray SubmissionToJson(const ArchiveSubmission& submission);
std::optional<ArchiveSubmission> SubmissionFromJson(const QByteArray& json);
