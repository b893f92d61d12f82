// SPDX-License-Identifier: MIT
// 3D Velmora maps in Tiled: the "velmora" map format reads and writes .map
// files. Reading goes through the installed velmora-check, the viewer's own
// reader, so that Tiled shows the grid the viewer shows; writing makes the 14
// lines of 14 codes the viewer reads. Cell (x, y) of the one tile layer is
// the viewer's column x and row y: both start at the top corner of the
// diamond, x going down to the right and y down to the left. A cell whose
// code is no ground has the empty ground's tile, code "0", a picture the
// background shows through, as in the viewer.

const gridSize = 14;
const tileWidth = 64;
const tileHeight = 32;
// The viewer's background, behind the map and its empty ground.
const backgroundColor = "#272727";
// Beside this file, as it is installed.
const tilesetPath = __filename.replace(/[^/]*$/, "") + "velmora.tsx";

// The ground tileset, read once; its tiles by their code.
let tileset = null;
let tilesByCode = null;

function groundTiles() {
    if (!tileset) {
        const format = tiled.tilesetFormat("tsx");
        tileset = format.read(tilesetPath);
        if (!tileset)
            throw new Error("cannot read the 3D Velmora tileset " + tilesetPath);
        tilesByCode = {};
        for (const tile of tileset.tiles) {
            const code = tile.property("code");
            if (code !== undefined)
                tilesByCode[String(code)] = tile;
        }
    }
    return tileset;
}

// velmora-check's diagnostics and grid for the file, run without a shell and
// with "--" so that no file name is taken for an option.
function checkedGrid(fileName) {
    const process = new Process();
    let status;
    try {
        status = process.exec("velmora-check", ["--grid", "--", fileName], false);
    } catch (error) {
        status = -2;
    }
    if (status < 0 || status > 2)
        throw new Error("cannot run velmora-check, which reads 3D Velmora maps: install the "
                        + "velmora package, or put velmora-check on PATH");
    const out = process.readStdOut();
    const err = process.readStdErr();
    process.close();
    if (status === 2)
        throw new Error(err.trim() || "velmora-check cannot read " + fileName);
    const lines = out.split("\n");
    if (lines[lines.length - 1] === "")
        lines.pop();
    if (lines.length < gridSize)
        throw new Error("velmora-check gave no grid for " + fileName);
    return {
        diagnostics: lines.slice(0, lines.length - gridSize),
        rows: lines.slice(lines.length - gridSize),
    };
}

// The cells a diagnostic names, as a rectangle of the tile layer: "(x 11 to
// 12, y 4)", or whole rows, "row 2" or "rows 5 to 13"; null for none.
function namedArea(message) {
    const cells = /\(x (\d+)(?: to (\d+))?, y (\d+)\)/.exec(message);
    if (cells) {
        const first = Number(cells[1]);
        return Qt.rect(first, Number(cells[3]), Number(cells[2] || first) - first + 1, 1);
    }
    const rows = /\brows? (\d+)(?: to (\d+))?/.exec(message);
    if (rows) {
        const first = Number(rows[1]);
        return Qt.rect(0, first, gridSize, Number(rows[2] || first) - first + 1);
    }
    return null;
}

// The map read from fileName in front, opened again if it was closed, with
// the area selected in its tile layer and in the middle of the view.
function showArea(fileName, area) {
    const map = tiled.openAssets.find(asset => asset.isTileMap && asset.fileName === fileName)
                || tiled.open(fileName);
    if (!map)
        return;
    tiled.activeAsset = map;
    const layers = tileLayersOf(map, []);
    if (layers.length > 0)
        map.currentLayer = layers[0];
    map.selectedArea.set(area);
    const middle = map.tileToScreen(area.x + area.width / 2, area.y + area.height / 2);
    tiled.mapEditor.currentMapView.centerOn(middle.x, middle.y);
}

function readMap(fileName) {
    const checked = checkedGrid(fileName);
    // Each line names the file, its line and its column, and most a cell or
    // a row, which activating the issue in Tiled shows.
    for (const line of checked.diagnostics) {
        const area = namedArea(line);
        tiled.warn(line, area ? () => showArea(fileName, area) : null);
    }

    const map = new TileMap();
    map.setSize(gridSize, gridSize);
    map.setTileSize(tileWidth, tileHeight);
    map.orientation = TileMap.Isometric;
    map.backgroundColor = backgroundColor;
    map.addTileset(groundTiles());

    const layer = new TileLayer("sols");
    layer.width = gridSize;
    layer.height = gridSize;
    const edit = layer.edit();
    for (let row = 0; row < gridSize; ++row) {
        for (let col = 0; col < gridSize; ++col) {
            // Any other code is empty ground, as in the viewer.
            edit.setTile(col, row, tilesByCode[checked.rows[row].charAt(col)] || tilesByCode["0"]);
        }
    }
    edit.apply();
    map.addLayer(layer);
    return map;
}

function tileLayersOf(container, found) {
    for (let i = 0; i < container.layerCount; ++i) {
        const layer = container.layerAt(i);
        if (layer.isTileLayer)
            found.push(layer);
        else if (layer.isGroupLayer)
            tileLayersOf(layer, found);
    }
    return found;
}

// The map's 14 lines of codes, or the reason it cannot be one.
function mapText(map) {
    if (map.infinite)
        return {problem: "an infinite map has no size; a 3D Velmora map is 14 by 14 tiles"};
    const layers = tileLayersOf(map, []);
    if (layers.length !== 1)
        return {problem: "the map has " + layers.length + " tile layers; a 3D Velmora map is "
                         + "exactly one"};
    const layer = layers[0];
    if (layer.width > gridSize || layer.height > gridSize)
        return {problem: "the tile layer \"" + layer.name + "\" is " + layer.width + " by "
                         + layer.height + " tiles; a 3D Velmora map is at most 14 by 14"};
    let text = "";
    for (let y = 0; y < gridSize; ++y) {
        for (let x = 0; x < gridSize; ++x) {
            const tile = x < layer.width && y < layer.height ? layer.tileAt(x, y) : null;
            if (!tile) {
                text += "0";
                continue;
            }
            const code = tile.property("code");
            // One byte the viewer takes as a code: printable ASCII, no space.
            if (code === undefined || !/^[!-~]$/.test(String(code)))
                return {problem: "the tile " + tile.id + " of the tileset \"" + tile.tileset.name
                                 + "\" at " + x + "," + y + " has "
                                 + (code === undefined ? "no \"code\" property"
                                                       : "the code \"" + code + "\"")
                                 + "; a 3D Velmora ground has a code of one character, such as 1 to 8"};
            text += String(code);
        }
        text += "\n";
    }
    return {text: text};
}

function writeMap(map, fileName) {
    const made = mapText(map);
    // Refused before the file is opened, so that an existing file stays as it was.
    if (made.problem)
        return "Not saved as a 3D Velmora map: " + made.problem + ".";
    const file = new TextFile(fileName, TextFile.WriteOnly);
    file.write(made.text);
    file.commit();
    return undefined;
}

tiled.registerMapFormat("velmora", {
    name: "3D Velmora map",
    extension: "map",
    read: readMap,
    write: writeMap,
});
