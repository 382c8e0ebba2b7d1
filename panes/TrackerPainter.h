#pragma once
// Draws a tracker of a picture pane: its hatched border (the band CTracker::BorderRect adds around the rectangle) and
// its eight resize handles (CTracker::HandleRect), in black over whatever the painter holds. `origin` is where the
// pane's client pixel (0, 0) lies in the painter's coordinates. Nothing is drawn outside BorderRect.

#include <QPoint>

class QPainter;
class CTracker;

void PaintTracker(QPainter& painter, const CTracker& tracker, QPoint origin);
