#pragma once

// How a download from the meter, or an import of a file, ended: told by the download
// itself (RecordDownload) and kept so by the archive.
enum class DownloadEnding {
    Completed,    // every record the meter announced arrived
    NoData,       // the meter reported no records, or more than can be downloaded
    Unplugged,    // the port went away
    Stalled,      // the meter stopped answering
    Disconnected, // the operator disconnected
    Imported,     // rows read from a file
};
