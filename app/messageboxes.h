#pragma once
#include <QString>
#include <functional>

class QWidget;

// The program's modal message boxes. Results follow the classic codes:
// 1 OK, 2 Cancel, 6 Yes.
namespace MessageBoxes {

enum Result { IdOk = 1, IdCancel = 2, IdYes = 6 };
enum class Kind { Notice, Warning, Error };

struct Request
{
    Kind kind;
    QString caption;
    QString text;
};

// Notice box: the text, no icon, one "OK", captioned with the application title.
void notice(const QString &text);
// Warning box: captioned "警告", warning icon, "はい(&Y)" (default) and "キャンセル"
// (Esc and the close box). Returns IdYes or IdCancel.
int warningYesCancel(const QString &text);
// Error box: the text with the full-stop rule, error icon, one OK, application title.
void error(const QString &text);

// A message ending in a character that sorts after "." gets a full stop.
QString withFullStop(const QString &text);

// Test seam: while set, boxes are not shown; the interceptor sees each request
// and answers with the result the box would have given.
using Interceptor = std::function<int(const Request &)>;
void setInterceptor(Interceptor interceptor);

} // namespace MessageBoxes
