#pragma once
// The hex editor's view: rows of offset, hex bytes and their text, painted
// only for the visible rows straight from the document, a caret in either
// column, a selection, and typing that overwrites bytes.
#include <QAbstractScrollArea>

#include <cstdint>

class THexDocument;

class THexView : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class TColumn { Hex, Text };

    explicit THexView(THexDocument* document, QWidget* parent = nullptr);

    void SetBytesPerRow(int bytes);
    int BytesPerRow() const { return bytesPerRow_; }
    void SetFontSize(int points);
    // The document changed under the view (opened, undone, saved).
    void DocumentChanged();

    qint64 Cursor() const { return cursor_; }
    TColumn Column() const { return column_; }
    void SetColumn(TColumn column);
    // Moves the caret (clipped to the document) and scrolls it into view;
    // with select, extends the selection from its anchor.
    void SetCursor(qint64 offset, bool select = false);
    // Selects count bytes from offset and shows them.
    void Select(qint64 offset, qint64 count);
    void SelectAll();
    bool HasSelection() const { return anchor_ != cursor_ || selectionWhole_; }
    qint64 SelectionStart() const;
    qint64 SelectionLength() const;
    qint64 TopRow() const;
    // Wide enough for a whole row of the current font and row length.
    QSize sizeHint() const override;
    void SetTopRow(qint64 row);

signals:
    void CursorMoved();
    // The user typed over bytes; the document has the new step.
    void Edited();
    // Ctrl+G.
    void GoToRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    // Tab switches between the hex and the text column.
    bool focusNextPrevChild(bool) override { return false; }

private:
    // Width of a row in pixels, from the offset to the end of the text column.
    int rowWidth() const;
    qint64 rowCount() const;
    int visibleRows() const;
    void updateScrollBars();
    void ensureVisible();
    // Byte under a point of the viewport and its column; -1 outside the bytes.
    qint64 hitTest(const QPoint& point, TColumn* column) const;
    void typeByte(uint8_t value);
    void advanceAfterTyping();

    THexDocument* document_;
    int bytesPerRow_ = 16;
    int charWidth_ = 8;
    int lineHeight_ = 16;
    int ascent_ = 12;
    int offsetDigits_ = 8;
    qint64 cursor_ = 0;
    qint64 anchor_ = 0;
    bool selectionWhole_ = false;
    bool lowNibble_ = false;
    TColumn column_ = TColumn::Hex;
    // Rows beyond what a scroll bar can count are scaled.
    qint64 rowsPerStep_ = 1;
};
