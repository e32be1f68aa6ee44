<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>FindDialog</name>
    <message>
        <source>検索</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>検索する文字列(&amp;N):</source>
        <translation>Fi&amp;nd what:</translation>
    </message>
    <message>
        <source>大文字と小文字を区別する(&amp;C)</source>
        <translation>Match &amp;case</translation>
    </message>
    <message>
        <source>単語単位で探す(&amp;W)</source>
        <translation>Match &amp;whole word only</translation>
    </message>
    <message>
        <source>次を検索(&amp;F)</source>
        <translation>&amp;Find Next</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>検索する方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>上へ(&amp;U)</source>
        <translation>&amp;Up</translation>
    </message>
    <message>
        <source>下へ(&amp;D)</source>
        <translation>&amp;Down</translation>
    </message>
</context>
<context>
    <name>HelpViewer</name>
    <message>
        <source>Quillet ヘルプ</source>
        <translation>Quillet Help</translation>
    </message>
</context>
<context>
    <name>ListingView</name>
    <message>
        <source>%1 行へ移動します。</source>
        <translation>Go to line %1.</translation>
    </message>
    <message>
        <source>参照元: なし</source>
        <translation>Referred to by: none</translation>
    </message>
    <message>
        <source>参照元: %1</source>
        <translation>Referred to by: %1</translation>
    </message>
</context>
<context>
    <name>MemberListPanel</name>
    <message>
        <source>BASIC (中間コード)</source>
        <translation>BASIC (tokenized)</translation>
    </message>
    <message>
        <source>BASIC (アスキー) / テキスト</source>
        <translation>BASIC (ASCII) / text</translation>
    </message>
    <message>
        <source>BSAVE画像</source>
        <translation>BSAVE picture</translation>
    </message>
    <message>
        <source>BSAVE画像 (SCREEN %1)</source>
        <translation>BSAVE picture (SCREEN %1)</translation>
    </message>
    <message>
        <source>BSAVE バイナリ</source>
        <translation>BSAVE binary</translation>
    </message>
    <message>
        <source>イメージ / アーカイブ</source>
        <translation>Image / archive</translation>
    </message>
    <message>
        <source>その他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>FATの写しが食い違っています (読めます)</source>
        <translation>The FAT copies disagree (readable)</translation>
    </message>
    <message>
        <source>大きすぎるため開けません</source>
        <translation>Too large to open</translation>
    </message>
    <message>
        <source>クラスタのつながりが輪になっています</source>
        <translation>The cluster chain loops</translation>
    </message>
    <message>
        <source>クラスタのつながりがディスクの外に出ています</source>
        <translation>The cluster chain leaves the disk</translation>
    </message>
    <message>
        <source>クラスタのつながりがサイズより短いです</source>
        <translation>The cluster chain is shorter than the size</translation>
    </message>
    <message>
        <source>イメージが途中で切れています</source>
        <translation>The image is cut short</translation>
    </message>
    <message>
        <source>フォルダが自分自身を含んでいます</source>
        <translation>The folder contains itself</translation>
    </message>
    <message>
        <source>クラスタがほかのファイルと重なっています</source>
        <translation>Its clusters belong to another file too</translation>
    </message>
    <message>
        <source>フォルダが深すぎます</source>
        <translation>Folders nested too deep</translation>
    </message>
    <message>
        <source>ブロックが途中で切れています</source>
        <translation>A block is cut short</translation>
    </message>
    <message>
        <source>ヘッダーが壊れています</source>
        <translation>The header is damaged</translation>
    </message>
    <message>
        <source>展開できません</source>
        <translation>Cannot be unpacked</translation>
    </message>
    <message>
        <source>ファイル一覧</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>上へ</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>このファイルを収めている一覧に戻ります (Backspace)</source>
        <translation>Back to the list that holds this file (Backspace)</translation>
    </message>
    <message>
        <source>名前</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>サイズ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>種類</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>日付</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>状態</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>Folder</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>BASICファイル (*.bas)</source>
        <translation>BASIC files (*.bas)</translation>
    </message>
    <message>
        <source>BSAVEファイル (*.sc?)</source>
        <translation>BSAVE files (*.sc?)</translation>
    </message>
    <message>
        <source>すべてのファイル (*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <source>リッチ テキスト形式 (*.rtf)</source>
        <translation>Rich Text Format (*.rtf)</translation>
    </message>
    <message>
        <source>ビットマップ形式 (*.bmp)</source>
        <translation>Bitmap (*.bmp)</translation>
    </message>
    <message>
        <source>クリア(&amp;L)</source>
        <translation>C&amp;lear</translation>
    </message>
    <message>
        <source>開く(&amp;O)</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>アスキーセーブ(&amp;S)</source>
        <translation>&amp;Save as ASCII...</translation>
    </message>
    <message>
        <source>RTF形式で保存(&amp;R)</source>
        <translation>Save as &amp;RTF...</translation>
    </message>
    <message>
        <source>BMP形式で保存(&amp;B)</source>
        <translation>Save as &amp;BMP...</translation>
    </message>
    <message>
        <source>印刷(&amp;P)...</source>
        <translation>&amp;Print...</translation>
    </message>
    <message>
        <source>印刷プレビュー(&amp;V)...</source>
        <translation>Print Pre&amp;view...</translation>
    </message>
    <message>
        <source>プリンタの設定(&amp;U)...</source>
        <translation>Print Set&amp;up...</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>切り取り(&amp;T)</source>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>コピー(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>貼り付け(&amp;P)</source>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>すべて選択(&amp;A)</source>
        <translation>Select &amp;All</translation>
    </message>
    <message>
        <source>検索(&amp;F)...</source>
        <translation>&amp;Find...</translation>
    </message>
    <message>
        <source>実寸拡大切替(&amp;F)</source>
        <translation>&amp;Fit/Actual Size</translation>
    </message>
    <message>
        <source>設定(&amp;C)...</source>
        <translation>Se&amp;ttings...</translation>
    </message>
    <message>
        <source>目次(&amp;C)</source>
        <translation>&amp;Contents</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;A)</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>書式(&amp;O)</source>
        <translation>F&amp;ormat</translation>
    </message>
    <message>
        <source>スクリーンモード(&amp;S)</source>
        <translation>&amp;Screen Mode</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>フォント(&amp;F)...</source>
        <translation>&amp;Font...</translation>
    </message>
    <message>
        <source>コピー(&amp;Y)</source>
        <translation>Cop&amp;y</translation>
    </message>
    <message>
        <source>クリア</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>アスキーセーブ</source>
        <translation>Save as ASCII</translation>
    </message>
    <message>
        <source>印刷</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>検索</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>切り取り</source>
        <translation>Cut</translation>
    </message>
    <message>
        <source>コピー</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>貼り付け</source>
        <translation>Paste</translation>
    </message>
    <message>
        <source>元に戻す</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>RTF形式で保存</source>
        <translation>Save as RTF</translation>
    </message>
    <message>
        <source>BMP形式で保存</source>
        <translation>Save as BMP</translation>
    </message>
    <message>
        <source>印刷プレビュー</source>
        <translation>Print Preview</translation>
    </message>
    <message>
        <source>取り出して保存(&amp;E)...</source>
        <translation>&amp;Extract and Save...</translation>
    </message>
    <message>
        <source>取り出して保存</source>
        <translation>Extract and Save</translation>
    </message>
    <message>
        <source>このファイルを開く(&amp;O)</source>
        <translation>&amp;Open This File</translation>
    </message>
    <message>
        <source>ディスク・テープイメージ、アーカイブ (*.dsk *.cas *.zip *.lzh)</source>
        <translation>Disk and tape images, archives (*.dsk *.cas *.zip *.lzh)</translation>
    </message>
    <message>
        <source>PNG形式 (*.png)</source>
        <translation>PNG (*.png)</translation>
    </message>
    <message>
        <source>MSXファイル</source>
        <translation>MSX files</translation>
    </message>
    <message>
        <source>PNG形式で保存(&amp;G)</source>
        <translation>Save as PN&amp;G</translation>
    </message>
    <message>
        <source>表示倍率(&amp;Z)</source>
        <translation>&amp;Zoom</translation>
    </message>
    <message>
        <source>1倍(&amp;1)</source>
        <translation>&amp;1x</translation>
    </message>
    <message>
        <source>2倍(&amp;2)</source>
        <translation>&amp;2x</translation>
    </message>
    <message>
        <source>3倍(&amp;3)</source>
        <translation>&amp;3x</translation>
    </message>
    <message>
        <source>4倍(&amp;4)</source>
        <translation>&amp;4x</translation>
    </message>
    <message>
        <source>ページに合わせる(&amp;W)</source>
        <translation>Fit to the &amp;Page</translation>
    </message>
    <message>
        <source>テレビの縦横比で表示(&amp;T)</source>
        <translation>Aspect as on a &amp;TV</translation>
    </message>
    <message>
        <source>スプライトを表示(&amp;S)</source>
        <translation>Show &amp;Sprites</translation>
    </message>
    <message>
        <source>スプライトの大きさ(&amp;I)</source>
        <translation>Sprite S&amp;ize</translation>
    </message>
    <message>
        <source>8×8(&amp;1)</source>
        <translation>8 x 8 (&amp;1)</translation>
    </message>
    <message>
        <source>8×8 拡大(&amp;2)</source>
        <translation>8 x 8, Magnified (&amp;2)</translation>
    </message>
    <message>
        <source>16×16(&amp;3)</source>
        <translation>16 x 16 (&amp;3)</translation>
    </message>
    <message>
        <source>16×16 拡大(&amp;4)</source>
        <translation>16 x 16, Magnified (&amp;4)</translation>
    </message>
    <message>
        <source>MSX2 の色で表示(&amp;M)</source>
        <translation>In &amp;MSX2 Colours</translation>
    </message>
    <message>
        <source>パレット(&amp;P)</source>
        <translation>&amp;Palette</translation>
    </message>
    <message>
        <source>パレット %1(&amp;%1)</source>
        <translation>Palette %1 (&amp;%1)</translation>
    </message>
    <message>
        <source>PNG形式で保存</source>
        <translation>Save as PNG</translation>
    </message>
    <message>
        <source>再読み込み(&amp;D)</source>
        <translation>Reloa&amp;d</translation>
    </message>
    <message>
        <source>最近使ったファイル(&amp;F)</source>
        <translation>Recent &amp;Files</translation>
    </message>
    <message>
        <source>履歴を消去(&amp;C)</source>
        <translation>&amp;Clear History</translation>
    </message>
    <message>
        <source>行へ移動(&amp;G)...</source>
        <translation>&amp;Go To Line...</translation>
    </message>
    <message>
        <source>戻る(&amp;B)</source>
        <translation>&amp;Back</translation>
    </message>
    <message>
        <source>進む(&amp;N)</source>
        <translation>Forwar&amp;d</translation>
    </message>
    <message>
        <source>拡大(&amp;I)</source>
        <translation>Zoom &amp;In</translation>
    </message>
    <message>
        <source>縮小(&amp;O)</source>
        <translation>Zoom &amp;Out</translation>
    </message>
    <message>
        <source>文字の大きさに戻す(&amp;R)</source>
        <translation>&amp;Reset to Font Size</translation>
    </message>
    <message>
        <source>行番号を別の列に表示(&amp;N)</source>
        <translation>Line &amp;Numbers in a Column of Their Own</translation>
    </message>
    <message>
        <source>色分け表示(&amp;H)</source>
        <translation>Syntax &amp;Highlighting</translation>
    </message>
    <message>
        <source>リストの表示倍率(&amp;L)</source>
        <translation>&amp;Listing Zoom</translation>
    </message>
    <message>
        <source>行へ移動</source>
        <translation>Go To Line</translation>
    </message>
    <message>
        <source>行番号(&amp;L):</source>
        <translation>&amp;Line number:</translation>
    </message>
    <message>
        <source>HTML形式で保存(&amp;H)</source>
        <translation>Save as &amp;HTML</translation>
    </message>
    <message>
        <source>HTML形式で保存</source>
        <translation>Save as HTML</translation>
    </message>
    <message>
        <source>Webページ (*.html)</source>
        <translation>Web page (*.html)</translation>
    </message>
    <message>
        <source>720 KB ディスクイメージ (*.dsk)</source>
        <translation>720 KB disk image (*.dsk)</translation>
    </message>
    <message>
        <source>360 KB ディスクイメージ (*.dsk)</source>
        <translation>360 KB disk image (*.dsk)</translation>
    </message>
    <message>
        <source>新しいディスク...</source>
        <translation>New Disk...</translation>
    </message>
    <message>
        <source>削除(&amp;D)...</source>
        <translation>&amp;Delete...</translation>
    </message>
    <message>
        <source>新しいディスク</source>
        <translation>New Disk</translation>
    </message>
    <message>
        <source>ほか %1 個</source>
        <translation>and %1 more</translation>
    </message>
    <message>
        <source>次のファイルを %1 に追加しますか？
同じ名前のファイルは置き換えられます。

%2</source>
        <translation>Add these files to %1?
Files of the same name are replaced.

%2</translation>
    </message>
    <message>
        <source>次のファイルを %1 から削除しますか？
元に戻すことはできません。

%2</source>
        <translation>Delete these files from %1?
This cannot be undone.

%2</translation>
    </message>
</context>
<context>
    <name>TForm2</name>
    <message>
        <source>Quilletについて</source>
        <translation>About Quillet</translation>
    </message>
    <message>
        <source>不具合の報告・ご意見:</source>
        <translation>Bug reports and feedback:</translation>
    </message>
    <message>
        <source>ライセンス全文(&amp;L)</source>
        <translation>Full &amp;Licence</translation>
    </message>
</context>
<context>
    <name>TPagesDlg</name>
    <message>
        <source>SCREEN &amp;5 （256 x 212ドット、512色中16色）</source>
        <translation>SCREEN &amp;5 (256 x 212 dots, 16 of 512 colours)</translation>
    </message>
    <message>
        <source>SCREEN &amp;6 （512 x 212ドット、512色中4色）</source>
        <translation>SCREEN &amp;6 (512 x 212 dots, 4 of 512 colours)</translation>
    </message>
    <message>
        <source>SCREEN &amp;7 （512 x 212ドット、512色中16色）</source>
        <translation>SCREEN &amp;7 (512 x 212 dots, 16 of 512 colours)</translation>
    </message>
    <message>
        <source>SCREEN &amp;8 （256 x 212ドット、256色中256色）</source>
        <translation>SCREEN &amp;8 (256 x 212 dots, 256 colours)</translation>
    </message>
    <message>
        <source>SCREEN 1&amp;0 （256 x 212ドット、YJK12499色+512色中16色）</source>
        <translation>SCREEN 1&amp;0 (256 x 212 dots, YJK 12499 colours + 16 of 512)</translation>
    </message>
    <message>
        <source>SCREEN 1&amp;1 （256 x 212ドット、YJK12499色+512色中16色）</source>
        <translation>SCREEN 1&amp;1 (256 x 212 dots, YJK 12499 colours + 16 of 512)</translation>
    </message>
    <message>
        <source>SCREEN 1&amp;2 （256 x 212ドット、YJK19268色）</source>
        <translation>SCREEN 1&amp;2 (256 x 212 dots, YJK 19268 colours)</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>フォルダを選択してください</source>
        <translation>Choose a folder</translation>
    </message>
    <message>
        <source>情報</source>
        <translation>About</translation>
    </message>
    <message>
        <source>再読込する(&amp;R)</source>
        <translation>&amp;Reload</translation>
    </message>
    <message>
        <source>OKボタンクリック後にファイルを再読込するかを指定します</source>
        <translation>Whether the shown files are loaded again after OK</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>フォント</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>ANKモード用(&amp;A):</source>
        <translation>&amp;ANK mode:</translation>
    </message>
    <message>
        <source>グラフィック文字用(&amp;G):</source>
        <translation>&amp;Graphic characters:</translation>
    </message>
    <message>
        <source>漢字モード用(&amp;K):</source>
        <translation>&amp;Kanji mode:</translation>
    </message>
    <message>
        <source>サイズ(&amp;P):</source>
        <translation>Si&amp;ze:</translation>
    </message>
    <message>
        <source>モード</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>ANKモード(&amp;N)</source>
        <translation>A&amp;NK mode</translation>
    </message>
    <message>
        <source>漢字モード(&amp;J)</source>
        <translation>Kan&amp;ji mode</translation>
    </message>
    <message>
        <source>文字色</source>
        <translation>Text colour</translation>
    </message>
    <message>
        <source>色選択(&amp;C)...</source>
        <translation>&amp;Choose...</translation>
    </message>
    <message>
        <source>背景色</source>
        <translation>Background colour</translation>
    </message>
    <message>
        <source>色選択(&amp;L)...</source>
        <translation>Ch&amp;oose...</translation>
    </message>
    <message>
        <source>サンプル</source>
        <translation>Sample</translation>
    </message>
    <message>
        <source>ワードラップ</source>
        <translation>Word wrap</translation>
    </message>
    <message>
        <source>ワードラップを有効にする(&amp;W)</source>
        <translation>&amp;Wrap long lines</translation>
    </message>
    <message>
        <source>出力したファイルには反映されません。</source>
        <translation>Saved files are not affected.</translation>
    </message>
    <message>
        <source>その他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>行65530以降を表示する(&amp;V)</source>
        <translation>Show lines 65530 and abo&amp;ve</translation>
    </message>
    <message>
        <source>行番号が65530以上の行も表示するかどうかを指定します</source>
        <translation>Whether lines numbered 65530 and above are shown</translation>
    </message>
    <message>
        <source>半角の小さい「ｭ」(&amp;&amp;HAD)を別のフォント・コードにマッピングする(&amp;M)</source>
        <translation>&amp;Map the small &quot;yu&quot; (&amp;&amp;HAD) to another font and code</translation>
    </message>
    <message>
        <source>ANKモードの時のみ機能します</source>
        <translation>Works in ANK mode only</translation>
    </message>
    <message>
        <source>マッピング先フォント(&amp;F):</source>
        <translation>&amp;Font:</translation>
    </message>
    <message>
        <source>マッピング先コード(&amp;C):</source>
        <translation>&amp;Code:</translation>
    </message>
    <message>
        <source>スクリーンモード</source>
        <translation>Screen mode</translation>
    </message>
    <message>
        <source>スクリーンモードを自動判別する(&amp;A)</source>
        <translation>Detect the screen mode from the n&amp;ame and the content</translation>
    </message>
    <message>
        <source>パレットのない SCREEN 1～4 を MSX2 の色で表示する(&amp;M)</source>
        <translation>Show SCREEN 1 to 4 without a palette in &amp;MSX2 colours</translation>
    </message>
    <message>
        <source>一時ファイル</source>
        <translation>Temporary files</translation>
    </message>
    <message>
        <source>参照(&amp;B)</source>
        <translation>&amp;Browse...</translation>
    </message>
    <message>
        <source>標準に戻す(&amp;D)</source>
        <translation>&amp;Default</translation>
    </message>
    <message>
        <source>通常は変更する必要はありません。</source>
        <translation>Usually there is no need to change this.</translation>
    </message>
    <message>
        <source>フォルダ(&amp;F):</source>
        <translation>&amp;Folder:</translation>
    </message>
    <message>
        <source>言語</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>次回の起動から有効になります。</source>
        <translation>Takes effect at the next start.</translation>
    </message>
    <message>
        <source>表示言語(&amp;G):</source>
        <translation>Lan&amp;guage:</translation>
    </message>
    <message>
        <source>ビルド</source>
        <translation>Build</translation>
    </message>
    <message>
        <source>MSX のファイル（BASIC のリストと画面イメージ）を表示します。</source>
        <translation>Shows MSX files (BASIC listings and screen images).</translation>
    </message>
    <message>
        <source>標準のフォントに戻す(&amp;E)</source>
        <translation>R&amp;estore Default Fonts</translation>
    </message>
    <message>
        <source>日本</source>
        <translation>Japanese</translation>
    </message>
    <message>
        <source>インターナショナル</source>
        <translation>International</translation>
    </message>
    <message>
        <source>ブラジル</source>
        <translation>Brazilian</translation>
    </message>
    <message>
        <source>文字セット(&amp;S):</source>
        <translation>Character &amp;set:</translation>
    </message>
    <message>
        <source>MSX フォントの字形は C-BIOS（Copyright 2002-2014 the C-BIOS authors、BSD-2-Clause ライセンス）によります。</source>
        <translation>The MSX fonts&apos; glyphs are from C-BIOS (Copyright 2002-2014 the C-BIOS authors, BSD-2-Clause licence).</translation>
    </message>
    <message>
        <source>行のメモリアドレスを表示する(&amp;D)</source>
        <translation>Show each line&apos;s memory a&amp;ddress</translation>
    </message>
    <message>
        <source>各行の先頭に、プログラムを &amp;H8001 から読み込んだときのアドレスを16進4桁で表示します</source>
        <translation>Starts each line with its address, in four hexadecimal digits, when the program is loaded at &amp;H8001</translation>
    </message>
    <message>
        <source>SCREEN 1 （32 x 24文字、15色）</source>
        <translation>SCREEN 1 (32 x 24 characters, 15 colours)</translation>
    </message>
    <message>
        <source>SCREEN 2 （256 x 192ドット、15色）</source>
        <translation>SCREEN 2 (256 x 192 dots, 15 colours)</translation>
    </message>
    <message>
        <source>SCREEN &amp;3 （64 x 48ブロック、15色）</source>
        <translation>SCREEN &amp;3 (64 x 48 blocks, 15 colours)</translation>
    </message>
    <message>
        <source>SCREEN &amp;4 （256 x 192ドット、512色中16色）</source>
        <translation>SCREEN &amp;4 (256 x 192 dots, 16 of 512 colours)</translation>
    </message>
    <message>
        <source>色分け</source>
        <translation>Colours</translation>
    </message>
    <message>
        <source>行番号を別の列に表示する(&amp;N)</source>
        <translation>Line &amp;numbers in a column of their own</translation>
    </message>
    <message>
        <source>本文の頭をそろえ、折り返した行を本文の下から続けます</source>
        <translation>Lines up the bodies and continues wrapped lines under the body</translation>
    </message>
    <message>
        <source>色分け表示</source>
        <translation>Syntax colours</translation>
    </message>
    <message>
        <source>色分け表示する(&amp;L)</source>
        <translation>Co&amp;lour the listing by syntax</translation>
    </message>
    <message>
        <source>キーワード、行番号、文字列などをそれぞれの色で表示します</source>
        <translation>Shows keywords, line numbers, strings and the rest each in its own colour</translation>
    </message>
    <message>
        <source>標準（設定した背景色の上）</source>
        <translation>Standard (on the configured background)</translation>
    </message>
    <message>
        <source>MSXの画面（青地に白）</source>
        <translation>MSX screen (white on blue)</translation>
    </message>
    <message>
        <source>配色(&amp;S):</source>
        <translation>&amp;Scheme:</translation>
    </message>
    <message>
        <source>色</source>
        <translation>Colours</translation>
    </message>
    <message>
        <source>その他の文字</source>
        <translation>Other text</translation>
    </message>
    <message>
        <source>行番号</source>
        <translation>Line number</translation>
    </message>
    <message>
        <source>キーワード</source>
        <translation>Keyword</translation>
    </message>
    <message>
        <source>行番号の参照</source>
        <translation>Line reference</translation>
    </message>
    <message>
        <source>数値</source>
        <translation>Number</translation>
    </message>
    <message>
        <source>文字列</source>
        <translation>String</translation>
    </message>
    <message>
        <source>コメント</source>
        <translation>Comment</translation>
    </message>
    <message>
        <source>DATA</source>
        <translation>DATA</translation>
    </message>
    <message>
        <source>変数</source>
        <translation>Variable</translation>
    </message>
    <message>
        <source>演算子・区切り</source>
        <translation>Operator, punctuation</translation>
    </message>
    <message>
        <source>配色の色に戻す(&amp;D)</source>
        <translation>&amp;Default colours</translation>
    </message>
</context>
</TS>
