<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>关于 Spritewright</source>
        <translation>About Spritewright</translation>
    </message>
    <message>
        <source>Spritewright 版本 1.0</source>
        <translation>Spritewright version 1.0</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CChangeOffsetDlg</name>
    <message>
        <source>更改位移</source>
        <translation>Change Offset</translation>
    </message>
    <message>
        <source>X 位移</source>
        <translation>X offset</translation>
    </message>
    <message>
        <source>Y 位移</source>
        <translation>Y offset</translation>
    </message>
</context>
<context>
    <name>CExportOptionsDlg</name>
    <message>
        <source>动画</source>
        <translation>Animated</translation>
    </message>
    <message>
        <source>导出所有帧选项</source>
        <translation>Export All Frames</translation>
    </message>
    <message>
        <source>图象格式</source>
        <translation>Image format</translation>
    </message>
    <message>
        <source>每秒帧数</source>
        <translation>Frames per second</translation>
    </message>
</context>
<context>
    <name>CExportSheetDlg</name>
    <message>
        <source>按行</source>
        <translation>Rows</translation>
    </message>
    <message>
        <source>按列</source>
        <translation>Columns</translation>
    </message>
    <message>
        <source>紧凑</source>
        <translation>Packed</translation>
    </message>
    <message>
        <source>方向画布</source>
        <translation>Direction canvas</translation>
    </message>
    <message>
        <source>裁剪到帧</source>
        <translation>Trimmed to frame</translation>
    </message>
    <message>
        <source>导出图集选项</source>
        <translation>Export Sheet</translation>
    </message>
    <message>
        <source>间距</source>
        <translation>Padding</translation>
    </message>
    <message>
        <source>每秒帧数</source>
        <translation>Frames per second</translation>
    </message>
    <message>
        <source>排列</source>
        <translation>Layout</translation>
    </message>
    <message>
        <source>单元</source>
        <translation>Cells</translation>
    </message>
</context>
<context>
    <name>CMainDlg</name>
    <message>
        <source>新建</source>
        <translation>New</translation>
    </message>
    <message>
        <source>打开...</source>
        <translation>Open...</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>另存为...</source>
        <translation>Save As...</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>主菜单</source>
        <translation>File</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>插入</source>
        <translation>Insert</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Directions</translation>
    </message>
    <message>
        <source>帧数</source>
        <translation>Frames</translation>
    </message>
    <message>
        <source>载入...</source>
        <translation>Load...</translation>
    </message>
    <message>
        <source>调色板</source>
        <translation>Palette</translation>
    </message>
    <message>
        <source>更改位移</source>
        <translation>Change offset</translation>
    </message>
    <message>
        <source>帧信息</source>
        <translation>Frame info</translation>
    </message>
    <message>
        <source>宽      度</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>高      度</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>X  位  移</source>
        <translation>X offset</translation>
    </message>
    <message>
        <source>Y  位  移</source>
        <translation>Y offset</translation>
    </message>
    <message>
        <source>导入</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>全部导出</source>
        <translation>Export all</translation>
    </message>
    <message>
        <source>INI→DC6</source>
        <translation>Build from INI</translation>
    </message>
    <message>
        <source>显示帧数</source>
        <translation>Show frames</translation>
    </message>
    <message>
        <source>导出图集</source>
        <translation>Export sheet</translation>
    </message>
    <message>
        <source>图集→DC6</source>
        <translation>Build from sheet</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>图象</source>
        <translation>Image</translation>
    </message>
    <message>
        <source>关于 Spritewright...</source>
        <translation>About Spritewright...</translation>
    </message>
    <message>
        <source>Import Image</source>
        <translation>Import Image</translation>
    </message>
    <message>
        <source>Export Frame</source>
        <translation>Export Frame</translation>
    </message>
    <message>
        <source>Select Directory To Export To</source>
        <translation>Select Directory To Export To</translation>
    </message>
    <message>
        <source>载入调色板</source>
        <translation>Load Palette</translation>
    </message>
    <message>
        <source>Save Atlas</source>
        <translation>Save Atlas</translation>
    </message>
    <message>
        <source>Open Atlas</source>
        <translation>Open Atlas</translation>
    </message>
    <message>
        <source>Export Sprite Sheet</source>
        <translation>Export Sprite Sheet</translation>
    </message>
    <message>
        <source>Import Sprite Sheet</source>
        <translation>Import Sprite Sheet</translation>
    </message>
    <message>
        <source>撤销</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>重做</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>撤销 %1</source>
        <translation>Undo %1</translation>
    </message>
    <message>
        <source>重做 %1</source>
        <translation>Redo %1</translation>
    </message>
    <message>
        <source>删除方向 %1</source>
        <translation>Delete direction %1</translation>
    </message>
    <message>
        <source>添加方向 %1</source>
        <translation>Add direction %1</translation>
    </message>
    <message>
        <source>插入方向 %1</source>
        <translation>Insert direction %1</translation>
    </message>
    <message>
        <source>删除帧 %1</source>
        <translation>Delete frame %1</translation>
    </message>
    <message>
        <source>添加帧 %1</source>
        <translation>Add frame %1</translation>
    </message>
    <message>
        <source>插入帧 %1</source>
        <translation>Insert frame %1</translation>
    </message>
    <message>
        <source>更改位移 %1/%2</source>
        <translation>Change offset %1/%2</translation>
    </message>
    <message>
        <source>已撤销 %1</source>
        <translation>Undid %1</translation>
    </message>
    <message>
        <source>已重做 %1</source>
        <translation>Redid %1</translation>
    </message>
    <message>
        <source>导入 %1</source>
        <translation>Import %1</translation>
    </message>
    <message>
        <source>当前索引 %1
RGB (%2, %3, %4)</source>
        <translation>Current index %1
RGB (%2, %3, %4)</translation>
    </message>
    <message>
        <source>填充</source>
        <translation>Fill</translation>
    </message>
    <message>
        <source>橡皮</source>
        <translation>Eraser</translation>
    </message>
    <message>
        <source>铅笔</source>
        <translation>Pencil</translation>
    </message>
    <message>
        <source>替换索引 %1→%2</source>
        <translation>Replace index %1→%2</translation>
    </message>
    <message>
        <source>已打开 %1</source>
        <translation>Opened %1</translation>
    </message>
    <message>
        <source>已保存 %1</source>
        <translation>Saved %1</translation>
    </message>
    <message>
        <source>已导出 %1</source>
        <translation>Exported %1</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>已取消全部导出</source>
        <translation>Export all cancelled</translation>
    </message>
    <message>
        <source>已导出 %1 帧到 %2</source>
        <translation>Exported %1 frames to %2</translation>
    </message>
    <message>
        <source>已生成 %1（%2 × %3 帧）</source>
        <translation>Built %1 (%2 × %3 frames)</translation>
    </message>
    <message>
        <source>已取消 INI→DC6</source>
        <translation>Build from INI cancelled</translation>
    </message>
    <message>
        <source>已导出图集 %1</source>
        <translation>Exported sheet %1</translation>
    </message>
</context>
<context>
    <name>CPaletteView</name>
    <message>
        <source>索引 %1
RGB (%2, %3, %4)</source>
        <translation>Index %1
RGB (%2, %3, %4)</translation>
    </message>
</context>
<context>
    <name>CPreviewPanel</name>
    <message>
        <source>%1%</source>
        <translation>%1%</translation>
    </message>
    <message>
        <source>放大 Ctrl+=, 缩小 Ctrl+-, 原始大小 Ctrl+0, Ctrl+滚轮</source>
        <translation>Zoom in Ctrl+=, zoom out Ctrl+-, actual size Ctrl+0, Ctrl+wheel</translation>
    </message>
    <message>
        <source>适合</source>
        <translation>Fit</translation>
    </message>
    <message>
        <source>透明背景</source>
        <translation>Transparency</translation>
    </message>
    <message>
        <source>按位移显示</source>
        <translation>At offsets</translation>
    </message>
    <message>
        <source>洋葱皮</source>
        <translation>Onion skin</translation>
    </message>
    <message>
        <source>缩放</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>上一帧</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>空格</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>下一帧</source>
        <translation>Next</translation>
    </message>
    <message>
        <source> 帧/秒</source>
        <translation> fps</translation>
    </message>
    <message>
        <source>循环</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>往返</source>
        <translation>Ping-pong</translation>
    </message>
    <message>
        <source>帧率</source>
        <translation>Frame rate</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>帧内 (%1, %2)  相对原点 (%3, %4)  索引 %5  RGB (%6, %7, %8)</source>
        <translation>Pixel (%1, %2)  From origin (%3, %4)  Index %5  RGB (%6, %7, %8)</translation>
    </message>
    <message>
        <source>相对原点 (%1, %2)</source>
        <translation>From origin (%1, %2)</translation>
    </message>
    <message>
        <source>工具</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>铅笔</source>
        <translation>Pencil</translation>
    </message>
    <message>
        <source>铅笔: 用当前索引画点和线 (B)</source>
        <translation>Pencil: paints the current index (B)</translation>
    </message>
    <message>
        <source>橡皮</source>
        <translation>Eraser</translation>
    </message>
    <message>
        <source>橡皮: 画索引 0 (E)</source>
        <translation>Eraser: paints index 0 (E)</translation>
    </message>
    <message>
        <source>吸管</source>
        <translation>Eyedropper</translation>
    </message>
    <message>
        <source>吸管: 取点下的索引作当前索引 (I)</source>
        <translation>Eyedropper: takes the index under the pointer (I)</translation>
    </message>
    <message>
        <source>填充</source>
        <translation>Fill</translation>
    </message>
    <message>
        <source>填充: 把相连的同一索引换成当前索引 (G)</source>
        <translation>Fill: the connected area of one index takes the current index (G)</translation>
    </message>
    <message>
        <source>替换索引...</source>
        <translation>Replace index...</translation>
    </message>
    <message>
        <source>把一个索引的所有点换成另一个索引: 本帧, 本方向或整个精灵</source>
        <translation>Turns every pixel of one index into another: in this frame, this direction or the whole sprite</translation>
    </message>
</context>
<context>
    <name>CReplaceIndexDlg</name>
    <message>
        <source>本帧</source>
        <translation>This frame</translation>
    </message>
    <message>
        <source>本方向的所有帧</source>
        <translation>Every frame of this direction</translation>
    </message>
    <message>
        <source>整个精灵</source>
        <translation>Whole sprite</translation>
    </message>
    <message>
        <source>替换索引</source>
        <translation>Replace index</translation>
    </message>
    <message>
        <source>索引</source>
        <translation>Index</translation>
    </message>
    <message>
        <source>换成</source>
        <translation>Becomes</translation>
    </message>
    <message>
        <source>范围</source>
        <translation>Scope</translation>
    </message>
</context>
<context>
    <name>CSheetDlg</name>
    <message>
        <source>图象</source>
        <translation>Image</translation>
    </message>
    <message>
        <source>Save Framed Image</source>
        <translation>Save Framed Image</translation>
    </message>
</context>
<context>
    <name>CSheetOptionsDlg</name>
    <message>
        <source>保存图象</source>
        <translation>Save image</translation>
    </message>
    <message>
        <source>全图显示帧数</source>
        <translation>Show Frames</translation>
    </message>
    <message>
        <source>开始帧</source>
        <translation>First frame</translation>
    </message>
    <message>
        <source>帧宽度</source>
        <translation>Frames across</translation>
    </message>
    <message>
        <source>帧高度</source>
        <translation>Frames down</translation>
    </message>
</context>
<context>
    <name>DialogParts</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>FileFilter</name>
    <message>
        <source>Windows/OS2 Bitmap (*.bmp)</source>
        <translation>Windows/OS2 Bitmap (*.bmp)</translation>
    </message>
    <message>
        <source>CompuServe Graphics Interlace (*.gif)</source>
        <translation>CompuServe Graphics Interlace (*.gif)</translation>
    </message>
    <message>
        <source>Tagged Image File Format (*.tif *.tiff)</source>
        <translation>Tagged Image File Format (*.tif *.tiff)</translation>
    </message>
    <message>
        <source>ZSoft Paintbrush (*.pcx)</source>
        <translation>ZSoft Paintbrush (*.pcx)</translation>
    </message>
    <message>
        <source>JPG Format (*.jpg *.jpeg)</source>
        <translation>JPG Format (*.jpg *.jpeg)</translation>
    </message>
    <message>
        <source>PNG Format (*.png)</source>
        <translation>PNG Format (*.png)</translation>
    </message>
    <message>
        <source>Diablo DC6 Image (*.dc6)</source>
        <translation>Diablo DC6 Image (*.dc6)</translation>
    </message>
    <message>
        <source>All files (*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <source>Supported Types (*.bmp *.pcx *.tif *.tiff *.gif *.jpg *.jpeg *.png)</source>
        <translation>Supported Types (*.bmp *.pcx *.tif *.tiff *.gif *.jpg *.jpeg *.png)</translation>
    </message>
    <message>
        <source>Spritewright Ini File (*.ini)</source>
        <translation>Spritewright Ini File (*.ini)</translation>
    </message>
    <message>
        <source>Palettes (*.pal *.act *.gpl *.dat *.png *.gif *.bmp *.pcx *.tif *.tiff)</source>
        <translation>Palettes (*.pal *.act *.gpl *.dat *.png *.gif *.bmp *.pcx *.tif *.tiff)</translation>
    </message>
    <message>
        <source>JASC-PAL, RIFF or raw palette (*.pal)</source>
        <translation>JASC-PAL, RIFF or raw palette (*.pal)</translation>
    </message>
    <message>
        <source>Adobe Color Table (*.act)</source>
        <translation>Adobe Color Table (*.act)</translation>
    </message>
    <message>
        <source>GIMP Palette (*.gpl)</source>
        <translation>GIMP Palette (*.gpl)</translation>
    </message>
    <message>
        <source>Game palette (*.dat)</source>
        <translation>Game palette (*.dat)</translation>
    </message>
    <message>
        <source>Indexed picture (*.png *.gif *.bmp *.pcx *.tif *.tiff)</source>
        <translation>Indexed picture (*.png *.gif *.bmp *.pcx *.tif *.tiff)</translation>
    </message>
    <message>
        <source>Supported Types (*.png *.bmp *.gif *.tif *.tiff *.pcx)</source>
        <translation>Supported Types (*.png *.bmp *.gif *.tif *.tiff *.pcx)</translation>
    </message>
    <message>
        <source>JSON Atlas (*.json)</source>
        <translation>JSON Atlas (*.json)</translation>
    </message>
</context>
</TS>
