// DisplayableObjectContainer: the engine's growable array of object pointers (entries may be
// empty) and its change flag. Owns the objects still in the array whose deleteOnRemoval() is
// true; an object taken out with removeDisplayableObject is no longer owned.
#pragma once

#include <vector>

class DisplayableObject;

class DisplayableObjectContainer {
public:
    DisplayableObjectContainer() = default;
    DisplayableObjectContainer(const DisplayableObjectContainer&) = delete;
    DisplayableObjectContainer& operator=(const DisplayableObjectContainer&) = delete;
    // Deletes every remaining object whose deleteOnRemoval() is true.
    virtual ~DisplayableObjectContainer();

    // Empties every entry (the array keeps its length); with deleteThem, deletes each removed
    // object whose deleteOnRemoval() is true.
    virtual void destroyOldObjects(bool deleteThem);

    // destroyOldObjects(true), then size entries, all empty.
    void createObjectArray(int size);
    // Puts object at index (which must be below the array's size). Takes ownership.
    void storeObjectInArray(int index, DisplayableObject* object);
    // Adds object after the last entry. Takes ownership.
    void appendObjectToArray(DisplayableObject* object);
    // Takes the first entry equal to object out (later entries move down). The object is not
    // deleted and is no longer owned by the container.
    void removeDisplayableObject(DisplayableObject* object);
    void setAllObjectsVisible(bool visible);
    void drawableObjectsChanged() { objectsChanged = true; }

    // Number of entries, empty ones included.
    int getContentCount() const { return static_cast<int>(objects.size()); }
    // The entry at index, or nullptr for an empty entry or an index outside the array.
    DisplayableObject* getDisplayableObject(int index) const;

    bool objectsChanged = false;
    std::vector<DisplayableObject*> objects;
};
