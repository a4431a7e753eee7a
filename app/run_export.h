#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>
#include <string>

class QDateTime;
class QWidget;

// Saving a run: where it goes by default, writing it so that a failure never
// costs the pupil the file it would have replaced, and telling why in the
// program's language.

// przebieg-YYYY-MM-DD-HHMM.csv in the user's documents folder, or in the home
// folder when there is no documents folder.
QString DefaultRunFilePath(const QDateTime& now);

// Writes bytes to path through a temporary file that replaces the old file
// only once every byte has reached the disk. Returns an empty string when the
// file is written; otherwise a short sentence saying why it was not
// (no room on the disk, the file too large, no permission, read-only disk, a
// folder in the way, a missing folder, a name too long). On failure the old
// file is as it was and no temporary file is left behind.
QString WriteFileSafely(const QString& path, const QByteArray& bytes);

// A write past the file-size limit (ulimit -f) then fails with an error that
// is reported, instead of the kernel's SIGXFSZ ending the program and the
// pupil's run with it.
void SurviveFileSizeLimit();

// The whole "Zapisz..." of the run window. Asks for a file in the program's
// own (non-native) dialog "Zapisz przebieg jazdy", starting at
// DefaultRunFilePath(now), with the filters "Dane CSV (*.csv)" and
// "Obraz PNG (*.png)". A name typed without extension gets the chosen
// filter's (csv or png) before the dialog's overwrite question, so an
// existing file is never replaced without asking. A name ending in .png is
// saved as the picture, .csv as the data, any other as the chosen filter
// says. csv or picture is called only once the file is chosen (the picture
// is encoded as PNG in memory first). The file is written with
// WriteFileSafely; a failure is shown in a warning box over parent that names
// the file and the reason. Returns true when a file was written, false when
// the pupil cancelled or the write failed.
bool SaveRunFiles(QWidget* parent, const std::function<std::string()>& csv,
                  const std::function<QImage()>& picture);
